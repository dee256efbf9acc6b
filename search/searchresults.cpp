#include "searchresults.h"

#include "core/directory/directorymodel.h"

#include <QColor>

SearchResults::SearchResults(const core::DirectoryModel &directory, QObject *parent)
    : QAbstractTableModel(parent), directory_(directory)
{
}

void SearchResults::showFound(const core::SearchIndex &index, core::SearchQuery query,
                              std::vector<int> found, ColorLookup colors)
{
    index_ = &index;
    query_ = std::move(query);
    colors_ = std::move(colors);
    const QString note = found.empty() ? tr("No entry matches.") : QString();
    show(std::move(found), note);
}

void SearchResults::clear()
{
    show({}, {});
}

void SearchResults::showIndexing()
{
    show({}, tr("Indexing…"));
}

void SearchResults::show(std::vector<int> found, QString note)
{
    beginResetModel();
    found_ = std::move(found);
    note_ = std::move(note);
    rows_.clear();
    endResetModel();
}

int SearchResults::entryRow(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= found_.size())
        return -1;
    return found_[static_cast<std::size_t>(row)];
}

int SearchResults::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return note_.isEmpty() ? static_cast<int>(found_.size()) : 1;
}

int SearchResults::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

const SearchResults::Row &SearchResults::row(int row) const
{
    const auto cached = rows_.constFind(row);
    if (cached != rows_.cend())
        return *cached;
    Row made;
    const int position = found_[static_cast<std::size_t>(row)];
    // An entry the directory no longer has shows nothing until the next search.
    if (position < directory_.count()) {
        const core::DirectoryEntry &entry = directory_.entry(position);
        made.name = core::shownText(entry.name);
        made.nameBold = entry.bold;
        const QStringList lines = core::splitNumberLines(entry.numbers);
        const int line = index_->firstLineHolding(query_, position);
        const int shown = line == core::kNameOnly ? 0 : line;
        if (shown < lines.size()) {
            const core::DisplayLine display = core::displayLine(lines.at(shown));
            made.line = core::shownText(display.text);
            made.lineBold = display.bold;
            made.color = colors_ ? colors_(display.text) : 0;
        }
    }
    return *rows_.insert(row, std::move(made));
}

QVariant SearchResults::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (!note_.isEmpty())
        return index.column() == 0 && role == Qt::DisplayRole ? QVariant(note_) : QVariant();
    const Row &r = row(index.row());
    const bool name = index.column() == 0;
    switch (role) {
    case Qt::DisplayRole:
        return name ? r.name : r.line;
    case Qt::FontRole:
        return (name ? r.nameBold : r.lineBold) ? QVariant(boldFont_) : QVariant();
    case Qt::ForegroundRole:
        if (name)
            return {};
        return QColor(core::redOf(r.color), core::greenOf(r.color), core::blueOf(r.color));
    default:
        return {};
    }
}

QVariant SearchResults::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? tr("Name") : tr("Line");
}

Qt::ItemFlags SearchResults::flags(const QModelIndex &index) const
{
    // The row that says nothing matches, or that the index is not ready, cannot be chosen.
    if (!index.isValid() || !note_.isEmpty())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
