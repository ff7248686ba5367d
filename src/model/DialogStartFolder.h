#pragma once

#include <QString>

// Where a file dialog starts: the folder used last when it still exists, else the project
// folder that the options name, else the user's home folder; never the folder the
// program happened to be started from. With a final '/'.
QString DialogStartFolder(const QString& lastFolder);
