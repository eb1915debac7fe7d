// s_appIdentity.h -- how the program names itself in log lines and message boxes.
#pragma once

constexpr const char* kAppName = "DIVUDEDI";         // log lines
constexpr const char* kAppDisplayName = "DIVUdedi";  // message boxes
constexpr int kAppVersion = 1690;                    // thousandths: shown as "1.69"
constexpr int kAppBuild = -1;
