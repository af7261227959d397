#include "settings/OutlineViewStates.h"

#include "settings/SettingsStore.h"

#include <QStringList>

namespace OutlineViewStates {
namespace {

const QString Section = QStringLiteral("OutlineState");

QString EntrySection(int i)
{
    return Section + QLatin1Char('\\') + QString::number(i + 1);
}

struct Entry {
    QString pageFile;
    OutlineViewState state;
};

std::vector<Entry> ReadEntries(const SettingsStore& store)
{
    std::vector<Entry> entries;
    for (int i = 0; i < RememberedPages; ++i) {
        const std::optional<QString> page = store.value(EntrySection(i), QStringLiteral("Page"));
        if (!page || page->isEmpty())
            break;
        Entry entry{*page, {}};
        entry.state.selected = store.readInteger(EntrySection(i), QStringLiteral("Selected"), -1);
        entry.state.expanded = IndexesFromText(store.value(EntrySection(i), QStringLiteral("Expanded")).value_or(QString()));
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace

QString IndexesToText(const std::vector<int>& indexes)
{
    QStringList runs;
    for (size_t i = 0; i < indexes.size();) {
        size_t end = i;
        while (end + 1 < indexes.size() && indexes[end + 1] == indexes[end] + 1)
            ++end;
        runs << (end == i ? QString::number(indexes[i])
                          : QString::number(indexes[i]) + QLatin1Char('-') + QString::number(indexes[end]));
        i = end + 1;
    }
    return runs.join(QLatin1Char(','));
}

std::vector<int> IndexesFromText(const QString& text)
{
    // Bounded, so that a hand-edited "0-2000000000" cannot fill the memory.
    constexpr int MaxIndex = 10'000'000;
    std::vector<int> indexes;
    if (text.trimmed().isEmpty())
        return indexes;
    for (const QString& run : text.split(QLatin1Char(','))) {
        const QStringList ends = run.split(QLatin1Char('-'));
        bool firstOk = false, lastOk = false;
        const int first = ends.value(0).trimmed().toInt(&firstOk);
        const int last = ends.size() == 2 ? ends[1].trimmed().toInt(&lastOk) : first;
        if (!firstOk || (ends.size() == 2 && !lastOk) || ends.size() > 2 || first < 0 || last < first || last > MaxIndex
            || (!indexes.empty() && first <= indexes.back()))
            return {};
        for (int i = first; i <= last; ++i)
            indexes.push_back(i);
    }
    return indexes;
}

std::optional<OutlineViewState> Load(const SettingsStore& store, const QString& pageFile)
{
    for (const Entry& entry : ReadEntries(store))
        if (entry.pageFile == pageFile)
            return entry.state;
    return std::nullopt;
}

void Save(SettingsStore& store, const QString& pageFile, const OutlineViewState& state)
{
    std::vector<Entry> entries = ReadEntries(store);
    std::erase_if(entries, [&pageFile](const Entry& e) { return e.pageFile == pageFile; });
    entries.insert(entries.begin(), Entry{pageFile, state});
    if (entries.size() > size_t(RememberedPages))
        entries.resize(size_t(RememberedPages));
    store.eraseSection(Section);
    for (size_t i = 0; i < entries.size(); ++i) {
        const QString section = EntrySection(int(i));
        store.setValue(section, QStringLiteral("Page"), entries[i].pageFile);
        store.writeInteger(section, QStringLiteral("Selected"), entries[i].state.selected);
        store.setValue(section, QStringLiteral("Expanded"), IndexesToText(entries[i].state.expanded));
    }
}

} // namespace OutlineViewStates
