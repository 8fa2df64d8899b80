#include "support/SmallDisk.h"

namespace velmora::test {

// Windows mounts no small filesystem for a test: the tests that need one skip, saying so.
SmallDisk::SmallDisk(int)
{
    why = QStringLiteral("Windows has no small filesystem to mount for a test");
}

SmallDisk::~SmallDisk() = default;

void SmallDisk::fill() { }

bool SmallDisk::makeReadOnly()
{
    return false;
}

bool othersMayUse(const QString&)
{
    return false;
}

bool ownerOnlyFolder(const QString&)
{
    return true;
}

bool makeFifo(const QString&)
{
    return false;
}

bool linkToDevice(const QString&)
{
    return false;
}

QString crashingProgram(const QString&)
{
    return {};
}

ReadOnlyFolder::ReadOnlyFolder()
    : m_root(true)
{ }

ReadOnlyFolder::~ReadOnlyFolder() = default;

bool ReadOnlyFolder::seal()
{
    return false;
}

} // namespace velmora::test
