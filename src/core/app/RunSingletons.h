#pragma once

#include <QString>
#include <QStringList>

// The directory given by --app-dir DIR (or --app-dir=DIR), else RIVULET_APP_DIR, else empty.
QString ResolveAppDirOverride(const QStringList& arguments);

// One run's shared objects: paths, profile, language and driver, built from the settings files.
void StartRunSingletons();
// Releases them again: language, profile, reader connection, driver, then the singletons.
void ShutdownRunSingletons();
