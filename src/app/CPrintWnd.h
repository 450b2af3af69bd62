// The print window: builds the print page of one category's ticked records on a worker, shows
// it in a text browser and prints it through the system's print dialog (to a PDF file too).
// Closing while the page is being built asks first, with the build paused.
#pragma once

#include "app/CPopUpWnd.h"
#include "export/PrintPage.h"

#include <atomic>
#include <memory>
#include <thread>

class QPrinter;
class QStackedWidget;
class QTextBrowser;

namespace app {

class BusyIndicator;

class CPrintWnd : public CPopUpWnd
{
    Q_OBJECT

public:
    // A window that prints `category` of `results` as ticked in `statistics` (live records
    // left out when `deletedOnly`); all outlive the window.
    CPrintWnd(QWidget* owner,
              const extract::ScanResults& results,
              const exporting::CStatisticsObj& statistics,
              extract::RecoveryCategory category,
              bool deletedOnly);
    // Cancels a build still running and joins its worker.
    ~CPrintWnd() override;

    // Starts the build; the page shows when it is written.
    void startBuild();

    // Whether the page is built and shown.
    bool pageShown() const { return m_shown; }

    // Prints the shown page on `printer` (a PDF file when its output format says so).
    void printOn(QPrinter& printer) const;

    QTextBrowser* browser() const { return m_browser; }

    // Where the page is written.
    const std::string& pagePath() const { return m_pagePath; }

protected:
    // The close buttons and Escape ask before they cancel a build still running.
    void done(int result) override;

private:
    void showPage(int status);
    void print();

    exporting::PrintPageBuilder m_builder;
    extract::RecoveryCategory m_category;
    bool m_deletedOnly;
    std::string m_pagePath;
    QStackedWidget* m_pages = nullptr;
    QTextBrowser* m_browser = nullptr;
    BusyIndicator* m_waiting = nullptr;
    std::thread m_worker;
    std::atomic<bool> m_built{false};
    bool m_shown = false;
};

} // namespace app
