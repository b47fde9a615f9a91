#pragma once

#include "core/store/storeresult.h"

class Store;

// Lines written by other means may hold no value at all in their amount, remark or fee.
// Before the batch is totalled or listed they get "0", one blank and "0", all in one
// statement: every such line is filled, or none.
StoreResult fillEmptyLineValues(Store &store);
