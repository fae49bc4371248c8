#include <QCoreApplication>

#include <gtest/gtest.h>

// The rules run in a program without widgets: a plain QCoreApplication.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
