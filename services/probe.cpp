#include "services/probe.h"

namespace vt {

const char* const kProbeAddresses[2] = {"https://www.baidu.com/", "http://www.qq.com/"};

}  // namespace vt
