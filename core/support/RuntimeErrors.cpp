#include "core/support/RuntimeErrors.h"

#include "core/settings/Product.h"
#include "core/support/AppError.h"

namespace parlaro {

Message runtimeErrorMessage(Guarded where, const std::exception& error) {
    const QString detail = QString::number(errorNumber(error)) + ": " + errorDescription(error);
    switch (where) {
        case Guarded::GetRegistrySettings:
            return {kProductName + " Error",
                    "An error occured in frmMain:GetRegistrySettings. The error was: " + detail +
                        "\nWarning - your user settings may not be correct - please re-install.",
                    Icon::Critical, Buttons::Ok};
        case Guarded::GetPCAndUserName:
            return {kProductName,
                    "An error occured in frmMain:GetPCAndUserName. The error was: " + detail,
                    Icon::Critical, Buttons::Ok};
        case Guarded::FormLoad:
            return {kProductName,
                    "A fatal error occured during frmMain:Form_Load. The error was: " + detail,
                    Icon::Critical, Buttons::Ok};
        case Guarded::StopRecording:
            return {kProductName,
                    "An error occurred when stopping recording.  The error reported was: " + detail,
                    Icon::Exclamation, Buttons::Ok};
    }
    return {kProductName, detail, Icon::Critical, Buttons::Ok};
}

Message libraryErrorMessage(const QString& label, const std::exception& error) {
    return {kProductName,
            "Error occurred: " + QString::number(errorNumber(error)) + ", " +
                errorDescription(error) + ", " + label,
            Icon::Exclamation, Buttons::Ok};
}

}  // namespace parlaro
