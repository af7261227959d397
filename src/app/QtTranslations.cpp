#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Qt 6 moved the file list's type names ("Folder", "Drive", ...) to a
// context of their own, for which Qt's Japanese catalogue has no entries
// yet; the same names are found where Qt 5 kept them.
class MovedFileTypeNames final : public QTranslator {
public:
    MovedFileTypeNames(const QTranslator& catalogue, QObject* parent) : QTranslator(parent), catalogue_(catalogue) {}

    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override
    {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        return catalogue_.translate("QFileDialog", source, disambiguation, n);
    }
    bool isEmpty() const override { return false; }

private:
    const QTranslator& catalogue_;
};

} // namespace

bool UseJapaneseInQt()
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    // The widgets' texts are all in qtbase; the translators live as long as
    // the application.
    auto* catalogue = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!catalogue->load(QStringLiteral("qtbase_ja"), folder)) {
        qWarning("Qt's Japanese translations (qtbase_ja.qm) are not in %s", qPrintable(folder));
        delete catalogue;
        return false;
    }
    return QCoreApplication::installTranslator(catalogue)
        && QCoreApplication::installTranslator(new MovedFileTypeNames(*catalogue, catalogue));
}
