// SPDX-License-Identifier: GPL-3.0-or-later
#include "tutorialsteps.h"

#include <QStringList>

#include <array>

namespace korvane {

namespace {

const std::array<TutorialStep, 8> &table()
{
    using T = TutorialTopic;
    static const std::array<TutorialStep, 8> steps{{
        {T::Any, 0, QStringLiteral("Hello There!"), QStringLiteral("pibbethello.txt"),
         QStringLiteral("PibbetHello.Wav")},
        {T::AddKeyWords, 1, QStringLiteral("Step 1: Adding a KeyWord"),
         QStringLiteral("Step1_Add.txt"), QStringLiteral("step1_add.Wav")},
        {T::AddKeyWords, 2, QStringLiteral("Step 2: Adding a KeyWord"),
         QStringLiteral("Step2_Add.txt"), QStringLiteral("step2_add.Wav"), true},
        {T::AddKeyWords, 3, QStringLiteral("Step 3: Adding a KeyWord"),
         QStringLiteral("Step3_Add.txt"), QStringLiteral("step3_add.Wav"), true},
        {T::DeleteKeyWords, 1, QStringLiteral("Step 1: Deleting a KeyWord"),
         QStringLiteral("Step1_delete.txt"), QStringLiteral("step1_delete.Wav")},
        {T::SpecialFeatures, 1, QStringLiteral("Exploring Your Folders"),
         QStringLiteral("Exploring_Folders.txt"), QStringLiteral("Exploring_Folders.Wav")},
        {T::SpecialFeatures, 2, QStringLiteral("Setting Up Your Web Browser"),
         QStringLiteral("Setup_WebBrowser.txt"), QStringLiteral("Setup_Browser.Wav")},
        {T::SpecialFeatures, 3, QStringLiteral("Question Mark after KeyWord"),
         QStringLiteral("QuestionMark.txt"), QStringLiteral("QuestionMark.Wav")},
    }};
    return steps;
}

} // namespace

std::span<const TutorialTopicChoice> tutorialTopicChoices()
{
    using T = TutorialTopic;
    static const std::array<TutorialTopicChoice, 3> choices{{
        {T::AddKeyWords, QStringLiteral("Adding KeyWords"), true},
        {T::DeleteKeyWords, QStringLiteral("Deleting KeyWords"), true},
        {T::SpecialFeatures, QStringLiteral("Special Features"), false},
    }};
    return choices;
}

std::span<const TutorialStep> tutorialSteps()
{
    return table();
}

const TutorialStep *findTutorialStep(TutorialTopic topic, int number)
{
    for (const TutorialStep &step : table()) {
        if (step.number == number && (step.topic == topic || step.topic == TutorialTopic::Any))
            return &step;
    }
    return nullptr;
}

QStringList tutorialDataFiles()
{
    QStringList files;
    for (const TutorialStep &step : table())
        files << step.textFile << step.waveFile;
    files.removeDuplicates();
    return files;
}

} // namespace korvane
