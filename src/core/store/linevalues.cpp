#include "core/store/linevalues.h"

#include "core/store/store.h"

StoreResult fillEmptyLineValues(Store &store)
{
    return store.exec(QStringLiteral("UPDATE R_DETL SET AMT = COALESCE(AMT, '0'), MARK = COALESCE(MARK, ' '), "
                                     "AMT2 = COALESCE(AMT2, '0') WHERE AMT IS NULL OR MARK IS NULL OR AMT2 IS NULL"));
}
