#include "shell/KivIn2Prompt.h"

#include <QApplication>

#include <gtest/gtest.h>

// Every test program runs with a real QApplication on the offscreen platform, so widgets and
// dialogs are real but never need a display.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The data form's server question is the program's dialog, installed as the program does.
    velkora::KivIn2Prompt serverPrompt;
    velkora::ServerPrompt::install(&serverPrompt);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
