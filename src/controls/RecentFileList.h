#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The most-recently-used list behind the recent-files menu, without menus:
// the stored history, the paths used during this run, and the merge that
// saving performs.
class RecentFileList {
public:
    static constexpr int DefaultMaxHistory = 10;

    int maxHistory = DefaultMaxHistory;

    // Replaces the history with the stored text's lines (CR, LF or CR LF).
    void load(const QString& storedText);
    // Records that `path` was just used.
    void add(const QString& path);
    // Takes `path` off the list (an entry that no longer opens).
    void forget(const QString& path);
    // Whether anything was added during this run.
    bool hasPending() const { return pending_.has_value(); }
    // Whether anything was added or taken off; without it nothing is saved.
    bool hasChanges() const { return pending_.has_value() || forgotten_; }
    // Puts the pending paths in front (in their order), drops duplicates and
    // cuts the list to maxHistory. Returns the text to store: every path
    // followed by CR LF.
    QString merge();

    const QStringList& history() const { return history_; }

    // "&0 " ... "&9 ", "&A " ... "&Z ", then nothing.
    static QString captionPrefix(int position);
    // Paths are one entry when they differ only in letter case, or when
    // they name one existing file (through a link, say).
    static bool samePath(const QString& a, const QString& b);
    // How a path is listed: absolute and clean, so that a relative path
    // keeps working from another folder and is one entry with its absolute
    // spelling.
    static QString listedPath(const QString& path);
    // Everything before the last separator, without it.
    static QString folderOf(const QString& path);

private:
    static void remove(QStringList& list, const QString& path);

    QStringList history_;
    std::optional<QStringList> pending_; // most recent first; kept for the whole run
    bool forgotten_ = false;
};
