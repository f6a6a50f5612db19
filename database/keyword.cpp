#include "keyword.h"

#include "records.h"

namespace korvane::db {

KeyWord::KeyWord(QStringView typed)
    : m_text(upperCase(typed.trimmed().left(kKeyWordWidth)))
{
}

} // namespace korvane::db
