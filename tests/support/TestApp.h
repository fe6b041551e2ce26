#pragma once

#include <QString>

/// Application-wide values for a test: start-up's values, with every folder in `root`.
namespace TestApp {

/// Fills App() as start-up does, with the settings file, system and documents folders
/// below root and the real encoder as EncoderPath.
void init(const QString& root);

} // namespace TestApp
