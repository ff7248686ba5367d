#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

// Runs script on the dialog once it is shown modally by the command the test triggers
// next. A script that leaves the dialog open fails the test and cancels the dialog, so a
// missing click never hangs the test.
inline void WhileModal(QDialog* dialog, std::function<void()> script) {
    QTimer::singleShot(0, dialog, [dialog, script = std::move(script)] {
        EXPECT_TRUE(dialog->isVisible()) << "the command did not show " << dialog->objectName().toStdString();
        script();
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the script left " << dialog->objectName().toStdString() << " open";
            dialog->reject();
        }
    });
}
