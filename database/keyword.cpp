// SPDX-License-Identifier: GPL-3.0-or-later
#include "keyword.h"

#include "records.h"

namespace korvane::db {

KeyWord::KeyWord(QStringView typed)
    : m_text(upperCase(trimSpaces(typed).left(kKeyWordWidth)))
{
}

} // namespace korvane::db
