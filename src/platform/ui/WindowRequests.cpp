#include "platform/ui/WindowRequests.h"

namespace velmora {

WindowRequests& WindowRequests::instance()
{
    static WindowRequests requests;
    return requests;
}

} // namespace velmora
