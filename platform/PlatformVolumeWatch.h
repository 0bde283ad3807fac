#pragma once

#include "VolumeWatch.h"

#include <memory>

// The platform's own watch of mounted volumes, for the program; the demo and the tests report
// folders by hand instead (ManualVolumeWatch).
std::unique_ptr<VolumeWatch> createPlatformVolumeWatch(QObject* parent = nullptr);
