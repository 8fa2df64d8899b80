#include "exams/TestEvents.h"

namespace velmora {

TestEvents& TestEvents::instance()
{
    static TestEvents events;
    return events;
}

} // namespace velmora
