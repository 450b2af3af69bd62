// The settings object of the process and applying language texts to widgets.
#include "app/Texts.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QVariant>
#include <QWidget>

namespace app {

namespace {

std::mutex g_settingsMutex;
QString g_applicationFolder;
std::unique_ptr<Settings> g_settings;

} // namespace

QString applicationFolder()
{
    const std::lock_guard lock(g_settingsMutex);
    if (g_applicationFolder.isEmpty()) {
        g_applicationFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    }
    return g_applicationFolder;
}

void setApplicationFolder(const QString& folder)
{
    const std::lock_guard lock(g_settingsMutex);
    g_applicationFolder = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

Settings& settings()
{
    const QString folder = applicationFolder();
    const std::lock_guard lock(g_settingsMutex);
    if (!g_settings) {
        g_settings = std::make_unique<Settings>(toUtf8(folder));
    }
    return *g_settings;
}

void resetSettings()
{
    const std::lock_guard lock(g_settingsMutex);
    g_settings.reset();
}

QString languageText(const char* section, const char* key)
{
    return fromUtf8(settings().languageText(section, key));
}

QString messageText(const char* id)
{
    return languageText(kMessagesSection, id);
}

namespace {

// Each word of `keys` from section `section` of the language file, where the file has it.
void readWords(const char* section,
               std::initializer_list<std::pair<const char*, std::string*>> keys)
{
    for (const auto& [key, word] : keys) {
        std::string text = settings().languageText(section, key);
        if (!text.empty()) {
            *word = std::move(text);
        }
    }
}

} // namespace

exporting::MessageNoteWords messageNoteWords()
{
    exporting::MessageNoteWords words;
    readWords("MessageNotes",
              {{"Edited", &words.edited},
               {"EarlierVersion", &words.earlierVersion},
               {"EarlierUndated", &words.earlierUndated},
               {"Reaction", &words.reaction},
               {"Loved", &words.loved},
               {"Liked", &words.liked},
               {"Disliked", &words.disliked},
               {"Laughed", &words.laughed},
               {"Emphasized", &words.emphasized},
               {"Questioned", &words.questioned},
               {"ReactedEmoji", &words.reactedEmoji},
               {"ReactedKind", &words.reactedKind},
               {"Attachment", &words.attachment},
               {"NoName", &words.noName},
               {"NotInBackup", &words.notInBackup},
               {"Unsent", &words.unsent}});
    return words;
}

exporting::FieldWords fieldWords()
{
    exporting::FieldWords words;
    readWords("FieldWords",
              {{"Yes", &words.yes},
               {"No", &words.no},
               {"High", &words.high},
               {"Medium", &words.medium},
               {"Low", &words.low},
               {"Daily", &words.daily},
               {"Weekly", &words.weekly},
               {"Monthly", &words.monthly},
               {"Yearly", &words.yearly},
               {"EveryDays", &words.everyDays},
               {"EveryWeeks", &words.everyWeeks},
               {"EveryMonths", &words.everyMonths},
               {"EveryYears", &words.everyYears}});
    return words;
}

void applyTexts(QWidget* window, const char* section, const QStringList& except)
{
    for (const auto& [key, value] : settings().languageSection(section)) {
        const QString name = fromUtf8(key);
        const QString text = fromUtf8(value);
        if (except.contains(name)) {
            continue;
        }
        if (name == QLatin1String("Caption")) {
            window->setWindowTitle(text);
            continue;
        }
        if (auto* action = window->findChild<QAction*>(name)) {
            action->setText(text);
            continue;
        }
        QWidget* control =
            window->objectName() == name ? window : window->findChild<QWidget*>(name);
        if (auto* label = qobject_cast<QLabel*>(control)) {
            label->setText(text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            // Icon-only buttons (window buttons, the assist button) show their text as a tip.
            if (button->property("iconOnly").toBool()) {
                button->setToolTip(text);
            } else {
                button->setText(text);
            }
        } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
            group->setTitle(text);
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            edit->setPlaceholderText(text);
        } else if (control != nullptr) {
            control->setToolTip(text);
        }
    }
}

namespace {

// The letter after the first "&" that marks a mnemonic ("&&" is a literal "&"), lower-case;
// null when the text has none.
QChar mnemonicOf(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) {
            continue;
        }
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return QChar();
}

} // namespace

void assignMnemonics(const QList<QWidget*>& areas)
{
    QSet<QChar> used;
    QList<QAbstractButton*> buttons;
    QList<QAbstractButton*> pending;
    for (QWidget* area : areas) {
        buttons << area->findChildren<QAbstractButton*>();
    }
    for (QAbstractButton* button : buttons) {
        if (button->text().isEmpty() || button->property("iconOnly").toBool() ||
            button->property("step").isValid()) {
            continue;
        }
        const QChar letter = mnemonicOf(button->text());
        if (letter.isNull()) {
            pending.append(button);
        } else {
            used.insert(letter);
        }
    }
    // Push buttons choose first; when every letter of a text is taken it shares its first
    // letter, and the key then moves the focus between the buttons that share it.
    std::stable_sort(pending.begin(), pending.end(), [](const auto* a, const auto* b) {
        return qobject_cast<const QPushButton*>(a) != nullptr &&
               qobject_cast<const QPushButton*>(b) == nullptr;
    });
    for (QAbstractButton* button : pending) {
        QString text = button->text();
        qsizetype chosen = -1;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i].isLetter() && (chosen < 0 || !used.contains(text[i].toLower()))) {
                chosen = i;
                if (!used.contains(text[i].toLower())) {
                    break;
                }
            }
        }
        if (chosen >= 0) {
            used.insert(text[chosen].toLower());
            button->setText(text.insert(chosen, QLatin1Char('&')));
        }
    }
}

QString formatText(const QString& format, const QStringList& args)
{
    QString out;
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != QLatin1Char('%') || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        if (format[i + 1] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < format.size() && QStringLiteral("-+ #0123456789.l").contains(format[end])) {
            ++end;
        }
        const bool conversion = end < format.size() && (format[end] == QLatin1Char('s') ||
                                                        format[end] == QLatin1Char('d') ||
                                                        format[end] == QLatin1Char('u'));
        if (!conversion || next >= args.size()) {
            out += format[i];
            continue;
        }
        out += args[next++];
        i = end;
    }
    return out;
}

} // namespace app
