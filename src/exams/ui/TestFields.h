#pragma once

#include "exams/TestRecord.h"

#include <optional>

class QLineEdit;

namespace velmora {

class Module1;

// The four read-only boxes that name a test in the entry and viewing windows.
struct TestFields
{
    QLineEdit* number = nullptr;
    QLineEdit* name = nullptr;
    QLineEdit* type = nullptr;
    QLineEdit* date = nullptr;

    void show(const TestRecord& test) const;
};

// The test whose number SelNo holds; says why when there is none.
std::optional<TestRecord> selectedTest(Module1& session);

} // namespace velmora
