// The rows of a conversation or chat in the preview: the "Messages" rule, a group's heading and
// one row per message (its header line, bubble text, pictures and the lines under it). The
// rows are plain values: the bubble delegate lays each out and paints it only when it is on
// screen, so a conversation of any length opens at once and no widget stands behind a row.
#pragma once

#include <vector>

#include <QAbstractListModel>
#include <QList>
#include <QPixmap>
#include <QString>

namespace app {

// One row of the conversation preview.
struct Bubble
{
    enum class Kind
    {
        // A centred grey line above the messages.
        Rule,
        // A group conversation's name (bold) and members (grey), centred.
        Heading,
        // A message: sent ones stand on the right, received ones on the left.
        Message
    };
    Kind kind = Kind::Message;
    // A message's "date sender:" line, a heading's group name or the rule's text.
    QString head;
    // A message's text or a heading's members.
    QString text;
    // The lines under a message's bubble (reactions, attachments, edits); empty for none.
    QString notes;
    bool sent = false;
    // A deleted message's text is drawn in the deleted colour.
    bool deleted = false;
    // Pictures of the message's attachments, shown under its bubble.
    QList<QPixmap> pictures;

    // Whether a message shows its bubble: a message of attachments alone shows only the lines
    // that name them.
    bool showsBubble() const
    {
        return kind == Kind::Message && (!text.isEmpty() || notes.isEmpty());
    }
};

class BubbleModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // What a row answers besides its whole text (Qt::DisplayRole: head, text and notes on
    // lines of their own).
    enum Role : int
    {
        KindRole = Qt::UserRole,
        HeadRole,
        TextRole,
        NotesRole,
        SentRole,
        DeletedRole,
        PictureCountRole
    };

    using QAbstractListModel::QAbstractListModel;

    // Replaces every row.
    void setBubbles(std::vector<Bubble> bubbles);

    // Adds `picture` under the bubble of `row`.
    void addPicture(int row, const QPixmap& picture);

    const Bubble& bubble(int row) const { return m_bubbles[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<Bubble> m_bubbles;
};

} // namespace app
