#include "dialogs/PagePropertyRules.h"

QStringList DocumentTypeChoices()
{
    return {
        QStringLiteral("HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\""),
        QStringLiteral("HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\""),
        QStringLiteral("HTML PUBLIC \"-//IETF//DTD HTML i18n//EN\""),
        QStringLiteral("HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\""),
    };
}

QString FileDateText(const QDateTime& time)
{
    const QDateTime utc = time.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    return QStringLiteral("%1 年 %2 月 %3 日 %4 時 %5 分 %6 秒")
        .arg(d.year())
        .arg(d.month())
        .arg(d.day())
        .arg(t.hour())
        .arg(t.minute())
        .arg(t.second());
}

FtpSettingChoices ChooseFtpSetting(const std::vector<SjisString>& listed, SjisView pageName)
{
    FtpSettingChoices choices;
    choices.names = listed;
    for (size_t i = 0; i < listed.size(); ++i)
        if (listed[i] == pageName)
            choices.selected = int(i);
    if (choices.selected < 0) {
        choices.names.emplace_back(pageName);
        choices.selected = int(choices.names.size()) - 1;
        choices.pageNameMissing = true;
    }
    return choices;
}
