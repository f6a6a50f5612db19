// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentationlist.h"

namespace korvane {

namespace {

struct Entry
{
    const char *title;
    const char *detail;
};

// Our acknowledgements, shown between the version and the farewell.
constexpr Entry kAcknowledgements[] = {
    {"Launching by Key Word", "Type a word, press Enter, and off it goes"},
    {"Velmora Scripts", "Keystrokes typed for you, line by line"},
    {"Your Guide", "Pibbet, who never tires of saying hello"},
    {"Built With", "C++20 and Qt 6 on a Linux desktop"},
    {"Voices By", "eSpeak NG"},
    {"With Thanks", "To everyone who would rather type less"},
};

} // namespace

QString presentationLine(const QString &text)
{
    return text.left(kPresentationLineLength).leftJustified(kPresentationLineLength, u' ', true);
}

QString versionLine(const QVersionNumber &version)
{
    return QStringLiteral("Version %1.%2").arg(version.majorVersion()).arg(version.microVersion());
}

PresentationList fillPresentationList(const QVersionNumber &version)
{
    PresentationList list;
    for (int i = 0; i < kPresentationEntries; ++i) {
        list.titles.append(presentationLine({}));
        list.details.append(presentationLine({}));
    }
    int entry = 0;
    auto add = [&list, &entry](const QString &title, const QString &detail) {
        list.titles[entry] = presentationLine(title);
        list.details[entry] = presentationLine(detail);
        ++entry;
    };
    add(QStringLiteral("Presenting"), {});
    add(QStringLiteral("Korvane"), {});
    add(versionLine(version), {});
    for (const Entry &line : kAcknowledgements)
        add(QString::fromUtf8(line.title), QString::fromUtf8(line.detail));
    add(QStringLiteral("Thank You For Using the Korvane"), QStringLiteral("Have A Nice Day!!"));
    return list;
}

} // namespace korvane
