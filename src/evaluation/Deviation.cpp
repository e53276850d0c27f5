#include "evaluation/Deviation.h"

#include "Controls.h"

#include <algorithm>
#include <cstdlib>

namespace deviation {

float percent(const std::array<std::int32_t, 4>& positions) {
    std::array<float, 4> a{};
    for (int i = 0; i < 4; ++i)
        a[i] = static_cast<float>(std::abs(positions[i]));
    std::sort(a.begin(), a.end());
    if (a[0] == 0.0f)
        return 0.0f;
    float largest = 0.0f;
    if (a[3] <= 9999.0f)
        largest = a[3];
    else if (a[2] <= 9999.0f)
        largest = a[2];
    else if (a[1] <= 9999.0f)
        largest = a[1];
    else
        return 0.0f;
    const float quotient = largest / a[0];
    const float difference = quotient - 1.0f;
    const float result = difference * 100.0f;
    return result;
}

Shown judge(float percent, std::int32_t tolerance) {
    const auto whole = static_cast<std::int32_t>(percent); // truncated toward zero
    if (whole > 99)
        return {QStringLiteral("> 99"), controls::clRed};
    return {QString::number(whole), whole <= tolerance ? controls::clLime : controls::clRed};
}

} // namespace deviation
