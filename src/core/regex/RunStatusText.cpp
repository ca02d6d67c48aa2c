#include "RunStatusText.h"

namespace rw {

QString runStatusText(RunCommand command, const RunOutcome &outcome) {
    switch (outcome.status) {
    case MatchStatus::Rejected:
        return QStringLiteral("正则创建失败: ") + outcome.error.text();
    case MatchStatus::LimitExceeded:
        return QStringLiteral("匹配超出回溯上限,请简化表达式");
    case MatchStatus::Canceled:
        // Match shows what it found before the stop; a stopped Replace has no text to show.
        if (command == RunCommand::Replace)
            return QStringLiteral("匹配超出回溯上限,请简化表达式");
        break;
    case MatchStatus::Ok:
        break;
    }
    if (command == RunCommand::Replace)
        return QStringLiteral("替换完毕");
    return QStringLiteral("正则匹配成功,匹配数量: %1 -子匹配数量: %2")
        .arg(outcome.matchCount)
        .arg(outcome.submatchCount);
}

} // namespace rw
