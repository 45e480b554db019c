#pragma once
// A QApplication for GoogleTest programs that test forms: created before
// the first test, on the offscreen platform unless one is set.

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

class TQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
        static int argc = 1;
        static char name[] = "formtests";
        static char* argv[] = { name, nullptr };
        m_application = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_application.reset(); }

private:
    std::unique_ptr<QApplication> m_application;
};

// Registers the environment once per program.
inline const auto* const qtenvironment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);
