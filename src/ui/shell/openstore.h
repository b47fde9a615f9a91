#pragma once

class AppContext;

// Opens the working store into the context as the program starts, telling the user why
// when it cannot; false means the program must end.
bool openWorkingStoreOrSay(AppContext &context);
