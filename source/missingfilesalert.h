#pragma once

class QWidget;

// The alert shown when files the launcher needs are missing: at start-up when the chrome
// images cannot be loaded, and by the Welcome Screen when its movies are missing.
void showMissingFilesAlert(QWidget *parent);
