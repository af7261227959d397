#include "app/FindBar.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {

QPushButton* AddButton(QGridLayout* layout, const QString& text, const char* name, int row, int column)
{
    auto* button = new QPushButton(text);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    layout->addWidget(button, row, column);
    return button;
}

} // namespace

FindBar::FindBar(QWidget* parent) : QWidget(parent)
{
    layout_ = new QGridLayout(this);
    layout_->setContentsMargins(4, 2, 4, 2);
    layout_->setVerticalSpacing(2);

    layout_->addWidget(new QLabel(QStringLiteral("検索:")), 0, 0);
    editFindText = new QLineEdit;
    editFindText->setObjectName(QStringLiteral("editFindText"));
    editFindText->setClearButtonEnabled(true);
    layout_->addWidget(editFindText, 0, 1);
    QPushButton* previous = AddButton(layout_, QStringLiteral("前へ"), "bttnFindPrevious", 0, 2);
    previous->setToolTip(QStringLiteral("前を検索 (Shift+F3)"));
    QPushButton* next = AddButton(layout_, QStringLiteral("次へ"), "bttnFindNext", 0, 3);
    next->setToolTip(QStringLiteral("次を検索 (F3, Enter)"));
    lablCount = new QLabel;
    lablCount->setObjectName(QStringLiteral("lablCount"));
    lablCount->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000 / 00000")));
    layout_->addWidget(lablCount, 0, 4);
    auto* close = new QToolButton;
    close->setObjectName(QStringLiteral("bttnClose"));
    close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    close->setToolTip(QStringLiteral("検索バーを閉じる (Esc)"));
    layout_->addWidget(close, 0, 5);

    lablReplace = new QLabel(QStringLiteral("置換:"));
    layout_->addWidget(lablReplace, 1, 0);
    editReplaceText = new QLineEdit;
    editReplaceText->setObjectName(QStringLiteral("editReplaceText"));
    layout_->addWidget(editReplaceText, 1, 1);
    bttnReplace = AddButton(layout_, QStringLiteral("置換(&R)"), "bttnReplace", 1, 2);
    bttnReplaceAll = AddButton(layout_, QStringLiteral("すべて置換(&A)"), "bttnReplaceAll", 1, 3);

    // Two rows of options, so that the bar fits the window's design width.
    QHBoxLayout* options[] = {new QHBoxLayout, new QHBoxLayout};
    layout_->addLayout(options[0], 2, 0, 1, 6);
    layout_->addLayout(options[1], 3, 0, 1, 6);
    const auto option = [this](QHBoxLayout* row, const QString& text, const char* name) {
        auto* box = new QCheckBox(text);
        box->setObjectName(QString::fromLatin1(name));
        row->addWidget(box);
        connect(box, &QCheckBox::toggled, this, &FindBar::patternOrOptionsChanged);
        return box;
    };
    cboxMatchCase = option(options[0], QStringLiteral("大文字と小文字を区別(&C)"), "cboxMatchCase");
    cboxWholeWord = option(options[0], QStringLiteral("単語単位(&W)"), "cboxWholeWord");
    cboxRegularExpression = option(options[0], QStringLiteral("正規表現(&X)"), "cboxRegularExpression");
    cboxFoldJapanese =
        option(options[1], QStringLiteral("全角と半角・ひらがなとカタカナを区別しない(&J)"), "cboxFoldJapanese");
    cboxUserHeader = option(options[1], QStringLiteral("ユーザ定義ヘッダも検索(&U)"), "cboxUserHeader");
    for (QHBoxLayout* row : options)
        row->addStretch();
    editReplaceText->setToolTip(QStringLiteral("正規表現では \\1 から \\9 がグループ、\\0 が一致した全体、"
                                               "\\n が改行、\\t がタブを表します。"));

    recount_ = new QTimer(this);
    recount_->setSingleShot(true);
    recount_->setInterval(RecountPauseMs);
    connect(recount_, &QTimer::timeout, this, &FindBar::searchChanged);
    connect(editFindText, &QLineEdit::textChanged, this, &FindBar::patternOrOptionsChanged);
    connect(previous, &QPushButton::clicked, this, &FindBar::findPrevious);
    connect(next, &QPushButton::clicked, this, &FindBar::findNext);
    connect(bttnReplace, &QPushButton::clicked, this, &FindBar::replaceOne);
    connect(bttnReplaceAll, &QPushButton::clicked, this, &FindBar::replaceAll);
    connect(close, &QToolButton::clicked, this, [this] {
        hide();
        emit closed();
    });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, close, &QToolButton::click);
    // Tab goes from the pattern to the replacement.
    setTabOrder(editFindText, editReplaceText);
    editFindText->installEventFilter(this);
    editReplaceText->installEventFilter(this);
}

void FindBar::open(bool replace)
{
    for (QWidget* w : {static_cast<QWidget*>(lablReplace), static_cast<QWidget*>(editReplaceText),
                       static_cast<QWidget*>(bttnReplace), static_cast<QWidget*>(bttnReplaceAll)})
        w->setVisible(replace);
    show();
    if (stale_) // the page changed while the bar was closed
        recount_->start();
    editFindText->setFocus();
    editFindText->selectAll();
}

void FindBar::setPattern(const QString& pattern)
{
    editFindText->setText(pattern);
}

QString FindBar::pattern() const
{
    return editFindText->text();
}

QString FindBar::replacement() const
{
    return editReplaceText->text();
}

SearchOptions FindBar::options() const
{
    SearchOptions o;
    o.caseSensitive = cboxMatchCase->isChecked();
    o.wholeWord = cboxWholeWord->isChecked();
    o.regularExpression = cboxRegularExpression->isChecked();
    o.foldJapanese = cboxFoldJapanese->isChecked();
    o.userHeader = cboxUserHeader->isChecked();
    return o;
}

void FindBar::setFound(PageSearch::Matches found, const QString& error)
{
    const PageMatch shown = current_ >= 0 ? found_.matches[std::size_t(current_)] : PageMatch{};
    const bool wasShown = current_ >= 0;
    found_ = std::move(found);
    error_ = error;
    stale_ = false;
    recount_->stop();
    const auto again = wasShown ? std::find(found_.matches.begin(), found_.matches.end(), shown) : found_.matches.end();
    current_ = again == found_.matches.end() ? -1 : int(again - found_.matches.begin());
    updateCount();
}

void FindBar::setCurrent(int index)
{
    current_ = index;
    updateCount();
}

void FindBar::invalidate()
{
    stale_ = true;
    if (isVisible())
        recount_->start();
}

void FindBar::patternOrOptionsChanged()
{
    current_ = -1;
    invalidate();
}

void FindBar::updateCount()
{
    QString text;
    if (!error_.isEmpty()) {
        text = error_;
    } else if (!editFindText->text().isEmpty()) {
        const QString count = QString::number(found_.matches.size());
        const QString more = found_.truncated ? QStringLiteral(" 件以上") : QString();
        text = current_ >= 0 ? QStringLiteral("%1 / %2%3").arg(current_ + 1).arg(count, more)
                             : QStringLiteral("%1 件%2").arg(count, found_.truncated ? QStringLiteral("以上") : QString());
    }
    lablCount->setText(text);
    lablCount->setToolTip(error_);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    // Enter finds the next match (Shift+Enter the one before); in the
    // replacement it replaces the shown one.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == editReplaceText)
                emit replaceOne();
            else if (key->modifiers() & Qt::ShiftModifier)
                emit findPrevious();
            else
                emit findNext();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
