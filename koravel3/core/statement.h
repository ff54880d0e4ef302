#pragma once

#include <QString>

namespace sql {

// The text of a value placed between single quotes of a MySQL/MariaDB
// literal. A quote is doubled and a backslash or NUL byte is escaped, so no
// value can end the literal early; every other character is sent unchanged.
QString escaped(const QString &value);

// The same for a value placed inside a LIKE pattern: the wildcards % and _
// of the value match themselves only.
QString escapedForLike(const QString &value);

// One statement text. Fixed fragments are the program's own literals and are
// pasted as they stand; values (whatever the agent typed or a row held) can
// only be added through value() / like() / operator<<(QString), which escape
// them. Every statement of the program is built here.
class Statement {
public:
    Statement() = default;
    explicit Statement(const char *fragment) { *this << fragment; }

    Statement &operator<<(const char *fragment);
    Statement &operator<<(const QString &value) { return this->value(value); }
    Statement &value(const QString &value);
    Statement &like(const QString &value);

    const QString &text() const { return m_text; }

private:
    QString m_text;
};

} // namespace sql
