#include "app/error_report.h"

#include <exception>

#include "platform/message_boxes.h"

namespace velk {

std::string errorReportText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
        return message + ".";
    }
    return message;
}

bool runReportingErrors(MessageBoxes& boxes, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const std::exception& error) {
        boxes.errorReport(errorReportText(error.what()));
    }
    return false;
}

} // namespace velk
