#pragma once
// The configuration file's test class, in two files: the written file's layout and the
// round trips (test_config_file.cpp), and what a read file gives the model with saving
// and loading on disk (test_config_file_load.cpp); and the helpers both use.

#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/IniFile.h"

#include <QFile>
#include <QObject>

Q_DECLARE_METATYPE(relvane::ConfigBlock)

namespace relvane::test {

inline QByteArray ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

inline QByteArray Written(const ConfigModel& m) {
  IniFile ini;
  ini.SetDecimalSeparator(QLatin1Char('.'));
  WriteConfig(m, ini);
  return ini.ToBytes();
}

inline void Read(ConfigModel& m, const QByteArray& content, QChar separator = QLatin1Char('.')) {
  IniFile ini;
  ini.SetDecimalSeparator(separator);
  ini.Parse(content);
  ReadConfig(m, ini);
}

// A model with a value other than its start value in every field.
void Vary(ConfigModel& m);

}  // namespace relvane::test

class TestConfigFile : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { qRegisterMetaType<relvane::ConfigBlock>(); }

  void cfgPath_data();
  void cfgPath();
  void freshModelGolden_data();
  void freshModelGolden();
  void sectionAndKeyOrder();
  void freshRoundTripIsByteIdentical();
  void variedModelRoundTrip();
  void missingFileGivesDefaults();
  void readConversions_data();
  void readConversions();
  void outputLists_data();
  void outputLists();
  void lowerCaseQuotesAndBlanks();
  void multiplicatorWithComma();
  void calOffset_data();
  void calOffset();
  void wiperCodesTheBaseListCannotShow();
  void loadNotifiesOncePerBlock();
  void saveWritesCfgAndLeavesNoLeftovers();
  void saveIntoReadOnlyFolderKeepsOldFile();
  void saveOntoDirectoryFails();
  void unreadableFileChangesNothing();
};
