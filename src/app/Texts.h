// The application's access to its settings from Qt: the application folder, the one settings
// object, texts as QString and applyTexts, which gives a window's controls their texts.
#pragma once

#include "app/Settings.h"
#include "export/MessageNotes.h"
#include "export/RecordFields.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace app {

// The folder of the executable, ending with "/". Tests may set another one before the first
// call to settings().
QString applicationFolder();
void setApplicationFolder(const QString& folder);

// The settings object, built on first use from the application folder.
Settings& settings();

// Drops the settings object so that the next settings() call reads the files again.
void resetSettings();

// The text of `key` in the language section `section`.
QString languageText(const char* section, const char* key);

// The text of a message identifier ("MSG0302") from the section "Messages".
QString messageText(const char* id);

// The words of the lines under a message (edits, reactions, attachments) in the language
// shown; a word the language file lacks stays English.
exporting::MessageNoteWords messageNoteWords();

// The words of record field values (yes and no, priorities, repetitions) in the language
// shown; a word the language file lacks stays English.
exporting::FieldWords fieldWords();

// For every key of the language section `section`, sets the text of the control of `window`
// whose object name is the key (the window's own title for the key "Caption"); keys in
// `except` are skipped. Labels, buttons, group boxes and line edits (their placeholder) take
// the text, buttons with the property "iconOnly" as their tool tip; other widgets take it as
// their tool tip.
void applyTexts(QWidget* window, const char* section, const QStringList& except = {});

// Gives every button inside `areas` with a text (not the icon-only ones, not the step marks) a
// mnemonic: buttons without one get an "&" before the first letter of their text that no other
// button of the areas uses yet, push buttons first; when every letter of a text is taken, its
// first letter. Areas shown together are given in one call; areas never shown at once may use
// the same letters.
void assignMnemonics(const QList<QWidget*>& areas);

// Fills the printf-style `format` of a language text: each "%s" or "%d" (flags and widths are
// ignored) takes the next of `args` in turn, "%%" gives "%"; a conversion without an argument
// left stays as it stands. The format comes from a language file, so it is never handed to a
// C formatting function.
QString formatText(const QString& format, const QStringList& args);

// Converts between the core's UTF-8 text and QString.
inline QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string toUtf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace app
