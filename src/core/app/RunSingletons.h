#pragma once

// One run's shared objects: paths, profile, language and driver, built from the settings files.
void StartRunSingletons();
// Releases them again: language, profile, reader connection, driver, then the singletons.
void ShutdownRunSingletons();
