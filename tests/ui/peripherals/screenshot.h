#pragma once
// Saves a window's picture for the review of the peripheral dialogs.

#include <QDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace ostrand::test {

inline void SaveScreenshot(QWidget& window, const char* name) {
    QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
    window.show();
    ASSERT_TRUE(window.grab().toImage().save(QString(OSTRAND_SCREENSHOT_DIR) + "/" + name));
}

}  // namespace ostrand::test
