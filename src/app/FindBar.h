#pragma once

#include "page/PageSearch.h"

#include <QWidget>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The find bar under the editor: the pattern, the replacement (shown for
// replace), the options, the buttons and the count. It keeps what the last
// search found and which match is shown; the window searches, moves and
// replaces.
class FindBar : public QWidget {
    Q_OBJECT
public:
    // A new count follows a change of the pattern, the options or the page
    // after this pause, so that typing into a large page does not wait.
    static constexpr int RecountPauseMs = 150;

    explicit FindBar(QWidget* parent = nullptr);

    // Shows the bar, with the replacement when `replace`, and puts the
    // focus into the pattern, all of it selected.
    void open(bool replace);
    void setPattern(const QString& pattern);
    QString pattern() const;
    QString replacement() const;
    SearchOptions options() const;

    // What a search found, or why it could not search. The shown match
    // stays current if it was found again.
    void setFound(PageSearch::Matches found, const QString& error);
    const std::vector<PageMatch>& matches() const { return found_.matches; }
    // The match shown, an index into matches(); -1: none.
    int current() const { return current_; }
    void setCurrent(int index);
    // The page changed: the matches no longer hold until counted again.
    void invalidate();
    bool isStale() const { return stale_; }

signals:
    // Count again: the pattern, the options or the page changed a while ago.
    void searchChanged();
    void findNext();
    void findPrevious();
    void replaceOne();
    void replaceAll();
    // The bar was closed; the focus goes back to the window.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void patternOrOptionsChanged();
    void updateCount();

    QGridLayout* layout_ = nullptr;
    QLineEdit* editFindText = nullptr;
    QLineEdit* editReplaceText = nullptr;
    QLabel* lablReplace = nullptr;
    QPushButton* bttnReplace = nullptr;
    QPushButton* bttnReplaceAll = nullptr;
    QLabel* lablCount = nullptr;
    QCheckBox* cboxMatchCase = nullptr;
    QCheckBox* cboxWholeWord = nullptr;
    QCheckBox* cboxRegularExpression = nullptr;
    QCheckBox* cboxFoldJapanese = nullptr;
    QCheckBox* cboxUserHeader = nullptr;
    QTimer* recount_ = nullptr;

    PageSearch::Matches found_;
    QString error_;
    int current_ = -1;
    bool stale_ = true;
};
