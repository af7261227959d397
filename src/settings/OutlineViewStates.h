#pragma once

#include <QString>
#include <optional>
#include <vector>

class SettingsStore;

// Where the user left a page: the node selected and the nodes expanded, by
// their index in document order. Kept in the settings for the most recent
// pages, not in the page file, so that reading a page never changes it.
struct OutlineViewState {
    int selected = -1; // none
    std::vector<int> expanded; // ascending
    bool operator==(const OutlineViewState&) const = default;
};

namespace OutlineViewStates {

// How many pages are remembered; the least recently left goes first.
constexpr int RememberedPages = 10;

// The state stored for the page file at `pageFile`, if any.
std::optional<OutlineViewState> Load(const SettingsStore& store, const QString& pageFile);
// Stores the state as the most recent one.
void Save(SettingsStore& store, const QString& pageFile, const OutlineViewState& state);

// The expanded indexes as text: ascending runs written "a-b", so that a
// page whose every node is open stays one short value. Text that is not
// such a list (edited by hand) reads as none.
QString IndexesToText(const std::vector<int>& indexes);
std::vector<int> IndexesFromText(const QString& text);

} // namespace OutlineViewStates
