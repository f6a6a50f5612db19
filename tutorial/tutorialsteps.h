// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The tutorial's tables: the topics the user picks from, and for each topic and
// step number the title shown and the text and wave files (shipped data) it uses.

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

// A topic as the user picks it, in the window's order.
struct TutorialTopicChoice
{
    TutorialTopic topic;
    QString caption;
    // Topics about the keyword editor show it when they are chosen.
    bool showsKeywordEditor;
};

std::span<const TutorialTopicChoice> tutorialTopicChoices();

// The greeting (any topic, step 0) first, then every topic's steps in order.
std::span<const TutorialStep> tutorialSteps();

// The row for `topic` and `number`; nullptr when the table has none. Step 0 is
// the greeting whatever the topic.
const TutorialStep *findTutorialStep(TutorialTopic topic, int number);

// Every shipped file the tutorial names (texts and waves), without duplicates.
QStringList tutorialDataFiles();

} // namespace korvane
