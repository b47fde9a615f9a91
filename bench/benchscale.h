#pragma once

class Dialogs;
class Clock;
class Printer;
class QTextStream;

// The windows over a small, a large and a very large customer's masters: opening each
// window that browses payees or institutions, and a keystroke in each, at 1,000, 10,000
// and 100,000 rows, each beside the bare statement that reads what the window shows.
void benchScale(QTextStream &out, Dialogs &dialogs, Clock &clock, Printer &printer);
