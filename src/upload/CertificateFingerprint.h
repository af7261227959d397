#pragma once

#include <QString>
#include <QStringView>

class QSslCertificate;

// The SHA-256 digest of the certificate's DER form as uppercase hex pairs
// joined by ":" (the form `openssl x509 -fingerprint -sha256` prints).
QString CertificateFingerprint(const QSslCertificate& certificate);

// Compares two fingerprints as digests: case, ":" and blanks do not matter.
// An empty text (or one with no hex digit) matches nothing.
bool SameFingerprint(QStringView a, QStringView b);
