#pragma once

#include <QString>

// Option.ini: the per-user settings of the online functions (service address, user id
// and password, proxy), per-project indicator choices, the chosen ASIO driver and free
// keys. It lives in the settings folder ($XDG_CONFIG_HOME/KVR/Tamvik/, by default
// ~/.config/KVR/Tamvik/). Every call reads the file anew; writers rewrite it whole in
// UTF-8 with a byte-order mark and CR LF, keep the keys they do not write, and replace it
// atomically. The file holds a password: the folder is kept 0700 and the file 0600.
//
// When no settings folder can be named (neither XDG_CONFIG_HOME nor HOME), readers leave
// their outputs as they were and writers write nothing. Writers return false when the
// file could not be written.

// The settings folder with a final '/', or "" when it cannot be named. Not created.
QString SettingsFolderPath();
// Creates the settings folder (0700) when missing; false when it cannot.
bool CreateSettingsFolder();
// SettingsFolderPath() + "Option.ini", or "".
QString OptionIniPath();

// cause, when given, receives why the file could not be written (the system's text).
bool SaveOptionSettings(const QString& projectFolder, const QString& serviceUrl, const QString& userId,
                        const QString& userPassword, const QString& proxyUseFlag, const QString& proxyAddress,
                        const QString& proxyPort, QString* cause = nullptr);
// With raw false the address handed back is the stored one followed by "W0001/" (also
// when nothing is stored); with raw true the stored text alone.
void LoadOptionSettings(QString& projectFolder, QString& serviceUrl, QString& userId, QString& userPassword,
                        bool raw);
void LoadProxySettings(QString& useFlag, QString& address, QString& port);

bool SaveRdbSettings(const QString& projectName, const QString& play, const QString& judge,
                     const QString& correct, const QString& yellow);
void LoadRdbSettings(const QString& projectName, QString& play, QString& judge, QString& correct,
                     QString& yellow);

bool SaveAsioSetting(const QString& driverName);
void LoadAsioSetting(QString& driverName);

bool WriteOtherSetting(const QString& key, const QString& value);
void ReadOtherSetting(const QString& key, QString& value);
