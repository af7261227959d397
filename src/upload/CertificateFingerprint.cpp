#include "upload/CertificateFingerprint.h"

#include <QCryptographicHash>
#include <QSslCertificate>

namespace {

// Hex digits only, uppercase; anything else that is not a separator makes
// the text unusable (returned empty), so that a typo never matches.
QString Digits(QStringView text)
{
    QString digits;
    for (QChar c : text) {
        if (c == QLatin1Char(':') || c.isSpace())
            continue;
        const bool hex = (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                         || (c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F'));
        if (!hex)
            return {};
        digits += c.toUpper();
    }
    return digits;
}

} // namespace

QString CertificateFingerprint(const QSslCertificate& certificate)
{
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

bool SameFingerprint(QStringView a, QStringView b)
{
    const QString left = Digits(a);
    return !left.isEmpty() && left == Digits(b);
}
