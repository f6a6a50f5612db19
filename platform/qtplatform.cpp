#include "qtplatform.h"

namespace korvane {

QtPlatform::QtPlatform() = default;
QtPlatform::~QtPlatform() = default;

} // namespace korvane
