// SPDX-License-Identifier: GPL-3.0-or-later
// The script line classifier and the argument readers on any line: "`CP" and
// "`COM" splitting, "`W" numbers, "`D"/"`T" dates and times.

#include "fuzzsupport.h"
#include "scriptline.h"

#include <cmath>

using namespace korvane;
using namespace korvane::script;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString line = QString::fromUtf8(fuzz::bytesOf(data, size));
    const ClassifiedLine classified = classifyLine(line);
    const QString &argument = classified.argument;
    fuzz::check(line.endsWith(argument), "an argument is the end of its line");
    // The classification depends on the line's start only.
    fuzz::check(classifyLine(line + QStringLiteral(" x")).kind == classified.kind ||
                    classified.kind == LineKind::Exit,
                "appending text keeps the kind");

    const CopyArguments copy = copyArguments(argument);
    fuzz::check(!copy.destination.contains(u' '), "a destination holds no blank");
    const QString port = serialPortName(line);
    // Upper case may lengthen a character ("ß" is "SS"), never more than threefold.
    fuzz::check(port.size() <= 15, "a port name is short");
    const QString device = serialDevice(port);
    fuzz::check(!device.isEmpty() || port.isEmpty(), "a port names a device");

    const double seconds = waitSeconds(argument);
    fuzz::check(std::isfinite(seconds) && seconds >= 0, "a wait is finite and not negative");

    if (const std::optional<QDate> date = parseUsDate(argument)) {
        fuzz::check(date->isValid(), "a parsed date is valid");
        fuzz::check(parseUsDate(usDate(*date)) == date, "dates round-trip");
    }
    if (const std::optional<QTime> time = parseTimeOfDay(argument)) {
        fuzz::check(time->isValid(), "a parsed time is valid");
        const QTime minute(time->hour(), time->minute());
        fuzz::check(parseTimeOfDay(time12(*time)) == minute, "12-hour times round-trip");
        fuzz::check(parseTimeOfDay(time24(*time)) == minute, "24-hour times round-trip");
    }
    return 0;
}
