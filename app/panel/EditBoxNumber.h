#pragma once
#include <QString>

// The number an edit box of the configuration panel holds: at most its first 8 characters are
// read, blanks skipped, an optional sign, then decimal digits up to the first other character.
// Text without leading digits reads as 0. Eight characters cannot overflow a long.
long ReadEditBoxNumber(const QString& text);
