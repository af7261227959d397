#include "dialogs/TformAbout.h"

#include "dialogs/DialogFrame.h"
#include "dialogs/ProgramPictures.h"
#include "dialogs/TformSplash.h"
#include "document/ProgramConstants.h"
#include "ui_TformAbout.h"

TformAbout::TformAbout(QWidget* parent)
    : QDialog(parent, DialogWithoutSystemButtons()), ui_(std::make_unique<Ui::TformAbout>())
{
    ui_->setupUi(this);

    QFont product = ui_->lablProductName->font();
    // Impact where it is installed; a bold condensed face has its look elsewhere.
    product.setFamilies({QStringLiteral("Impact"), QStringLiteral("DejaVu Sans Condensed")});
    product.setPixelSize(24);
    product.setBold(true);
    product.setStretch(QFont::SemiCondensed);
    ui_->lablProductName->setFont(product);
    QFont release = ui_->lablVersion->font();
    release.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    release.setBold(true);
    ui_->lablVersion->setFont(release);
    QFont author = ui_->lablAuthor->font();
    author.setBold(true);
    ui_->lablAuthor->setFont(author);

    ui_->sbtnApplicationIcon->setIcon(ProgramIcon());
    ui_->imageLogo->setPixmap(AboutPicture(devicePixelRatioF()));
    ui_->LightLabel->setJumpTo(QString::fromLatin1(ProgramConstants::HomePageAddress));
    ui_->LightLabel->setToolTip(QString::fromLatin1(ProgramConstants::HomePageAddress));

    // 368 x 123 where the fonts are as small as the box was drawn for; larger
    // fonts widen it rather than cut its lines.
    setFixedSize(QSize(368, 123).expandedTo(sizeHint()));

    connect(ui_->sbtnApplicationIcon, &QToolButton::clicked, this, &TformAbout::sbtnApplicationIconClick);
    connect(ui_->bttnOk, &QPushButton::clicked, this, &QDialog::accept);
}

TformAbout::~TformAbout() = default;

void TformAbout::showEvent(QShowEvent* event)
{
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

void TformAbout::sbtnApplicationIconClick()
{
    TformSplash splash(this);
    splash.exec(); // not shown before: a window already visible would not become modal
}
