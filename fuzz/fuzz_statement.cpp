// A value, whatever it holds, stays inside its single-quoted literal.
#include "core/statement.h"

#include <cstddef>
#include <cstdint>

namespace {

// Walks a statement as MariaDB's lexer reads quoted literals (doubled quote
// and backslash escapes) and tells whether the text ends inside a literal
// that started at the first quote and is closed exactly by the last one.
bool singleLiteral(const QString &text) {
    int i = text.indexOf(u'\'');
    if (i < 0)
        return false;
    ++i;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == u'\\') {
            i += 2;
            continue;
        }
        if (c == u'\'') {
            if (i + 1 < text.size() && text.at(i + 1) == u'\'') {
                i += 2;
                continue;
            }
            return i == text.size() - 1;
        }
        ++i;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString value = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    sql::Statement plain("select 1 from principal where nom='");
    plain << value << "'";
    if (!singleLiteral(plain.text().mid(plain.text().indexOf(u'\''))))
        __builtin_trap();
    sql::Statement pattern("'%");
    pattern.like(value) << "%'";
    if (!singleLiteral(pattern.text()))
        __builtin_trap();
    return 0;
}
