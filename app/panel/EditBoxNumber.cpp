#include "EditBoxNumber.h"

namespace {

constexpr qsizetype MaxCharacters = 8;

bool IsBlank(QChar c) {
    // The C library's blanks; other Unicode spaces end the number like any other character.
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

}  // namespace

long ReadEditBoxNumber(const QString& text) {
    const QString head = text.left(MaxCharacters);
    qsizetype i = 0;
    while (i < head.size() && IsBlank(head[i]))
        ++i;
    bool negative = false;
    if (i < head.size() && (head[i] == u'+' || head[i] == u'-')) {
        negative = head[i] == u'-';
        ++i;
    }
    long value = 0;
    for (; i < head.size() && head[i] >= u'0' && head[i] <= u'9'; ++i)
        value = value * 10 + (head[i].unicode() - u'0');
    return negative ? -value : value;
}
