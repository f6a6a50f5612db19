#pragma once

// The tutorial's step table: for each topic and step number, the title shown and
// the text and wave files (shipped data) that go with it.

#include <QString>
#include <QStringList>

#include <span>

namespace korvane {

// `None`: no topic chosen yet. `Any`: the greeting's row, shown whatever the topic.
enum class TutorialTopic { None, Any, AddKeyWords, DeleteKeyWords, SpecialFeatures };

struct TutorialStep
{
    TutorialTopic topic;
    int number;
    QString title;
    QString textFile;
    QString waveFile;
    // Steps that point at the keyword editor's KeyWord field: focus and green.
    bool highlightsKeyWord = false;
};

// The greeting (any topic, step 0) first, then every topic's steps in order.
std::span<const TutorialStep> tutorialSteps();

// The row for `topic` and `number`; nullptr when the table has none. Step 0 is
// the greeting whatever the topic.
const TutorialStep *findTutorialStep(TutorialTopic topic, int number);

// Every shipped file the tutorial names (texts and waves), without duplicates.
QStringList tutorialDataFiles();

} // namespace korvane
