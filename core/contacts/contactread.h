#pragma once

#include "core/contacts/linekind.h"
#include "core/directory/entrycard.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <memory>

namespace core {

// What the vCard and CSV readers give: contacts as a file holds them, and
// the notes the import report makes of them.

// Limits that keep a hostile or broken file from taking the memory: a value
// longer than kLongestValue (bytes of vCard, characters of CSV) is left out of
// its contact, and a card or record longer than kLongestContact is skipped.
inline constexpr qsizetype kLongestValue = qsizetype(1) << 20;
inline constexpr qsizetype kLongestContact = qsizetype(16) << 20;

// What a file may hold that an entry cannot keep, counted for the report.
enum NotKept { kPhotos, kLogos, kSounds, kKeys, kNotKeptKinds };

// A contact as a file gives it, before the import makes it an entry.
struct Contact
{
    int position = 0; // where the file holds it: card 3, record 4
    QString name;     // as the file gives it; empty when it gives none
    QString numbers;  // the number lines, joined by TAB, already storable (see NumberLines)
    bool bold = false;
    // Restored from the exact lines Quorvel wrote beside its typed values.
    bool exact = false;
    // The name of a nameless contact: its organisation, else its first e-mail
    // address, else its first number.
    QString nameFromDetails;
    QString uid{}; // the card's UID as it wrote it; empty without one
    // What the card says that its lines do not show; null when nothing.
    std::shared_ptr<const EntryCard> card{};
};

// Something the report says about a contact of the file.
struct ReadNote
{
    int position = 0;
    QString text;
    bool skipped = false; // the contact gave no entry
};

// What a reader found in a file.
struct ContactsRead
{
    bool ok = false;
    QString error; // why the file is refused, when !ok
    // A reason in the report: %1 the contact's position, %2 the note, as in
    // "card %1: %2" or "record %1: %2".
    QString reasonFormat;
    QList<Contact> contacts;
    QList<ReadNote> notes; // each contact left out and each line changed to be storable
    std::array<int, kNotKeptKinds> notKept{}; // by NotKept
};

// "2 photos not kept", for each kind of NotKept the read counted.
QStringList notKeptCounts(const ContactsRead &read);

// Text in double quotes, as the report quotes names and lines: at most its
// first 60 characters (then "..."), each line break shown as "↵", so
// that a reason stays one short line.
QString quoted(QStringView text);

// "5 MiB", "300 KiB": the size of what a limit left out.
QString sizeText(qsizetype bytes);

// Makes the text from `from` on storable in the directory file: "|", TAB
// and line breaks (CR LF as one) become a space, in place. False when there
// was nothing to change.
bool replaceBreaks(QString &text, qsizetype from = 0);

// Builds the number lines of one contact as the directory file can hold
// them (see replaceBreaks), and notes each line so changed. The text is
// reused from contact to contact.
class NumberLines
{
public:
    // Starts a line; its text is then appended to text().
    void begin();
    QString &text() { return text_; }
    const QString &text() const { return text_; }
    // The position in text() where the line begun last starts.
    qsizetype lineStart() const { return start_; }
    // Ends the line begun last: an empty one is dropped when dropEmpty; any
    // other is made storable, and a change is noted for the contact at position.
    void end(QList<ReadNote> &notes, int position, bool dropEmpty = true);
    // The lines, joined by TAB; the builder is then empty.
    QString take();
    void clear();

private:
    QString text_;
    qsizetype count_ = 0;
    qsizetype start_ = 0;
};

// The name of a nameless contact from its typed values (each with `kind` and
// `value`): the first organisation, else the first e-mail address, else the
// first number.
template <typename Items> QString nameFromDetails(const Items &items)
{
    for (int pass = 0; pass < 3; ++pass) {
        for (const auto &item : items) {
            if ((pass == 0 && item.kind == LineKind::Organization) ||
                (pass == 1 && item.kind == LineKind::Email) ||
                (pass == 2 && isPhoneKind(item.kind)))
                return QString(item.value.constData(), item.value.size());
        }
    }
    return {};
}

} // namespace core
