#include "core/store/storefiles.h"

#include "core/store/schema.h"
#include "core/store/fieldroutines.h"

namespace {

struct OtherBank {
    const char *code;
    const char16_t *shortName;
    const char16_t *fullName;
};

// Fictional institutions: a real list from the bank replaces this one.
const OtherBank kBanks[] = {
    {"009", u"範例九銀", u"範例第九商業銀行"},
    {"031", u"示範銀行", u"示範商業銀行"},
    {"058", u"樣本銀行", u"樣本國際商業銀行"},
    {"104", u"範例信合", u"範例第一信用合作社"},
    {"216", u"示範信合", u"示範第二信用合作社"},
    {"288", u"樣本信合", u"樣本第三信用合作社"},
    {"612", u"範例農會", u"範例鄉農會"},
    {"701", u"示範郵局", u"示範郵政儲金"},
    {"811", u"練習銀行", u"練習商業銀行"},
    {"873", u"測試銀行", u"測試國際商業銀行"},
};

const char16_t *const kPlaces[] = {
    u"營業部", u"台北", u"中山", u"信義", u"松山", u"板橋", u"新莊", u"桃園",
    u"中壢", u"新竹", u"台中", u"彰化", u"嘉義", u"台南", u"高雄", u"鳳山",
    u"屏東", u"基隆", u"宜蘭", u"花蓮", u"台東", u"澎湖",
};

QString codeOf(const QString &bank, int branch)
{
    const QString prefix = bank + QStringLiteral("%1").arg(branch, 3, 10, QLatin1Char('0'));
    return prefix + InstCheckDigit(prefix);
}

QString branchName(int place)
{
    const QString name = QString::fromUtf16(kPlaces[place]);
    return place == 0 ? name : name + QStringLiteral("分行");
}

} // namespace

QList<Institution> starterInstitutions()
{
    QList<Institution> list;
    const int places = int(std::size(kPlaces));
    for (int p = 0; p < places; ++p)
        list.append({codeOf(Bank::HomeCode, p + 1), QStringLiteral("Korvana"),
                     QStringLiteral("Korvana銀行") + branchName(p)});
    for (int b = 0; b < int(std::size(kBanks)); ++b) {
        const OtherBank &bank = kBanks[b];
        for (int p = 0; p < 3; ++p) {
            const int place = (b * 3 + p) % places;
            list.append({codeOf(QString::fromLatin1(bank.code), (p + 1) * 10 + b),
                         QString::fromUtf16(bank.shortName),
                         QString::fromUtf16(bank.fullName) + branchName(place)});
        }
    }
    return list;
}
