// The survey of an installation: every file of the manifest read and checked, every
// library loaded and asked one question.
#ifndef QUILLMERE_SURVEY_H
#define QUILLMERE_SURVEY_H

#include <windows.h>

#define REPORT_CHARS 16384

struct Survey {
    char report[REPORT_CHARS]; // a headline, then one line per file
    int faults;                // files missing or damaged
};

// Surveys the installation in folder (no trailing backslash).
void SurveyInstallation(const char *folder, Survey *survey);

#endif
