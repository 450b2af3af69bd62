// The base of every modal pop-up window: frameless and skinned, centred on its owner, closed
// by okbtn with 1 and by closebtn, cancelbtn or the Escape key with 2; dragged by its header.
#pragma once

#include <QDialog>

class QBoxLayout;

namespace app {

// Close codes of pop-ups and message boxes.
inline constexpr int kCloseOk = 1;
inline constexpr int kCloseCancel = 2;

class CPopUpWnd : public QDialog
{
    Q_OBJECT

public:
    // A pop-up of `width` × `height` owned by `owner` (may be null), whose controls take the
    // texts of the language section `section`.
    CPopUpWnd(QWidget* owner, const char* section, int width, int height);

    // Centres the window on its owner (on the screen without one), runs it modally and
    // returns the close code.
    int showModal();

    const char* section() const { return m_section; }

protected:
    // Connects okbtn, cancelbtn and closebtn when they exist, applies the texts of the
    // window's section and lets the widget named "Header" drag the window. Subclasses call
    // it after building their controls.
    void initPopUp();

    // Adds to `layout` the window's header: the label "Title" (a heading when `heading`) and
    // the close button "closebtn"; by the header the window is dragged.
    void addHeader(QBoxLayout* layout, bool heading);

    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const char* m_section;
};

} // namespace app
