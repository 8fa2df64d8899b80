#pragma once

#include <QStringList>

namespace velmora::Composer {

inline constexpr int kMaxLength = 800;
inline constexpr int kMaxPhrases = 101;

const QStringList& roles(); // the twenty class roles, in order
const QStringList& honours(); // 三好学生, 表扬生

// The comment as the generator writes it: the name line, the phrases joined,
// then the roles, honours and remark lines when there are any.
QString compose(const QString& name, const QStringList& phrases, const QStringList& roles, const QStringList& honours,
    const QString& memo);

} // namespace velmora::Composer
