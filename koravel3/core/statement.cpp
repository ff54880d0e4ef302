#include "core/statement.h"

namespace sql {

QString escaped(const QString &value) {
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\'':
            out += QLatin1String("''");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\0':
            out += QLatin1String("\\0");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString escapedForLike(const QString &value) {
    // A backslash is the LIKE escape character, so it is doubled for the
    // pattern before the literal doubles it again.
    QString pattern;
    pattern.reserve(value.size() + 8);
    for (const QChar c : value) {
        if (c == u'\\' || c == u'%' || c == u'_')
            pattern += u'\\';
        pattern += c;
    }
    return escaped(pattern);
}

Statement &Statement::operator<<(const char *fragment) {
    m_text += QString::fromUtf8(fragment);
    return *this;
}

Statement &Statement::value(const QString &value) {
    m_text += escaped(value);
    return *this;
}

Statement &Statement::like(const QString &value) {
    m_text += escapedForLike(value);
    return *this;
}

} // namespace sql
