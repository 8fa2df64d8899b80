#pragma once

#include <QString>
#include <QStringList>

namespace velmora::test::Office {

// LibreOffice's soffice on the PATH, or empty.
QString program();

// The designs (tests/fixtures/NAME.csv) made into files by LibreOffice in
// `dir`, one run per format: "xlsx", "xls", "ods", "csv" (GB18030, as
// Chinese Excel writes it) or "txt" (UTF-16, Excel's "Unicode 文本"). The made files' paths, in order; empty when
// LibreOffice failed, with why in `*why`.
QStringList make(const QStringList& designs, const QString& format, const QString& dir, QString* why);

// A file converted by LibreOffice to UTF-8 CSV and read back as rows of texts.
QList<QStringList> readBack(const QString& path, const QString& dir, QString* why);

} // namespace velmora::test::Office

// In a test function: skip (fail under test.sh) when LibreOffice is missing.
#define VELMORA_REQUIRE_OFFICE()                                                                                       \
    do {                                                                                                               \
        if (velmora::test::Office::program().isEmpty()) {                                                              \
            if (qEnvironmentVariableIsSet("VELMORA_REQUIRE_PG"))                                                       \
                QFAIL("LibreOffice (soffice) is not installed; test.sh installs it");                                  \
            QSKIP("LibreOffice (soffice) is not installed");                                                           \
        }                                                                                                              \
    } while (false)
