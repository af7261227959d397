#include "dialogs/FixedWidthFontList.h"

#include "editor/EditorFont.h"

#include <QComboBox>
#include <QFontDialog>
#include <QListView>
#include <QStringListModel>

namespace {

// The dialog's family list: the first of its lists (then styles, sizes).
QListView* FamilyList(QFontDialog* dialog)
{
    QListView* list = dialog->findChild<QListView*>();
    return list && qobject_cast<QStringListModel*>(list->model()) ? list : nullptr;
}

} // namespace

FixedWidthFontList::FixedWidthFontList(QFontDialog* dialog) : QObject(dialog), dialog_(dialog)
{
    dialog->setOption(QFontDialog::MonospacedFonts, false);
    // Connected after the dialog's own handler, which refills the list.
    if (auto* writingSystems = dialog->findChild<QComboBox*>())
        connect(writingSystems, &QComboBox::activated, this,
                [this] { filter(dialog_->currentFont().family()); });
}

void FixedWidthFontList::setCurrentFont(const QFont& font)
{
    dialog_->setCurrentFont(font);
    filter(font.family());
}

void FixedWidthFontList::filter(const QString& family)
{
    QListView* list = FamilyList(dialog_);
    if (!list)
        return;
    auto* model = static_cast<QStringListModel*>(list->model());
    QStringList families = model->stringList();
    families.removeIf([](const QString& f) { return !HasFixedWidthLatin(f); });
    model->setStringList(families);
    // Choosing a row is what makes the dialog take its family.
    const qsizetype row = families.indexOf(family);
    list->setCurrentIndex(model->index(int(row >= 0 ? row : 0)));
}
