#pragma once

#include <QString>

namespace rw {

// One row of the rules library.
struct Rule {
    QString name;
    QString expression;
    QString description;

    friend bool operator==(const Rule &, const Rule &) = default;
};

} // namespace rw
