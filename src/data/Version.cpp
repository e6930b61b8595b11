#include "data/Version.h"

#ifndef VARNETT_VERSION
#error "VARNETT_VERSION is set by the build from the project version"
#endif

namespace varnett::data {

const char* versionText()
{
    return VARNETT_VERSION;
}

} // namespace varnett::data
