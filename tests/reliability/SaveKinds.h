#pragma once
// The kinds of whole file the tool writes, each with two contents ("old" and "new") large
// enough that a write takes a while, saved through the tool's own code. save_child saves
// them in turn until it is killed; test_killed_save checks what the kill left.

#include "app/ProgramSettings.h"
#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/IniFile.h"
#include "tools/EepromTool.h"
#include "tools/FakeToolHost.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace relvane::reliability {

inline const QStringList& SaveKindNames()
{
    static const QStringList names{QStringLiteral("config"), QStringLiteral("eeprom"),
                                   QStringLiteral("settings")};
    return names;
}

// A 15-character name that differs between the two contents and between fields.
inline ChannelName LongName(char tag, char kind, int n)
{
    return QStringLiteral("%1%2-long-nm-%3").arg(QLatin1Char(tag)).arg(QLatin1Char(kind)).arg(n, 2, 10, QLatin1Char('0'))
        .toLatin1()
        .left(kChannelNameLength);
}

// Every name as long as it may be, and numbers that differ between the two contents.
inline void FillConfig(ConfigModel& m, int which)
{
    const char tag = which == 0 ? 'O' : 'N';
    for (int n = 1; n <= kInputCount; ++n)
        m.ModifyInput(n, [&](InputConfig& r) { r.NAME = LongName(tag, 'I', n); r.MODE = which; });
    for (int n = 1; n <= kOutputCount; ++n)
        m.ModifyOutput(n, [&](OutputConfig& r) {
            r.NAME = LongName(tag, 'O', n);
            r.MAX_CURRENT = 10 + n + which;
        });
    for (int n = 1; n <= kCanInputCount; ++n)
        m.ModifyCanInput(n, [&](CanInputConfig& r) { r.CAN_NAME = LongName(tag, 'C', n); });
    for (int n = 1; n <= kVirtualInputCount; ++n)
        m.ModifyVirtualInput(n, [&](VirtualInputConfig& r) { r.VIRTUAL_NAME = LongName(tag, 'V', n); });
    for (int n = 1; n <= kFlashCount; ++n)
        m.ModifyFlash(n, [&](FlashConfig& r) { r.FLASH_NAME = LongName(tag, 'F', n); });
}

// A buffer whose every byte differs between the two contents.
inline void FillEeprom(EepromBuffer& b, int which)
{
    b.Fill(0, kEepromBufferEnd, 0);
    for (int a = 0; a < kEepromBufferEnd; ++a)
        b.SetByte(a, std::uint8_t((a * 7 + (which == 0 ? 1 : 0x80)) & 0xFF));
    for (int row = 1; row <= kEepromDataRows; ++row)
        b.RecomputeAscii(row);
}

// A last configuration folder as long as a value may be, so the file takes a while too.
inline ProgramSettings SettingsContent(int which)
{
    ProgramSettings s;
    s.top = which == 0 ? 48 : 120;
    s.left = which == 0 ? 291 : 17;
    s.width = which == 0 ? 990 : 1234;
    s.initMax = which != 0;
    s.configPath = QStringLiteral("/media/technician/%1/").arg(which == 0 ? QStringLiteral("old") : QStringLiteral("new"))
                   + QString(IniFile::kMaxValueLength - 30, which == 0 ? QLatin1Char('o') : QLatin1Char('n'));
    return s;
}

// Saves the contents of one kind the way the tool does. Keeps what a save needs from one
// call to the next (the EEPROM window and its host).
class Saver {
public:
    explicit Saver(const QString& kind) : kind_(kind)
    {
        if (kind_ == QLatin1String("config")) {
            for (int which = 0; which < 2; ++which)
                FillConfig(models_[which], which);
        } else if (kind_ == QLatin1String("eeprom")) {
            for (int which = 0; which < 2; ++which) {
                tools_[which] = std::make_unique<EepromTool>(host_);
                FillEeprom(tools_[which]->buffer(), which);
                tools_[which]->setFieldText(EepromTool::FileStart, QStringLiteral("0000"));
                tools_[which]->setFieldText(EepromTool::FileEnd, QStringLiteral("3E70"));
            }
        }
    }

    bool Known() const { return SaveKindNames().contains(kind_); }

    // True when the tool reported no failure.
    bool Save(const QString& path, int which)
    {
        if (kind_ == QLatin1String("config"))
            return SaveConfigFile(models_[which], path);
        if (kind_ == QLatin1String("eeprom")) {
            host_.dialogs.Clear();
            host_.dialogs.AnswerText(QStringLiteral("File already exists: '%1'\nOverwrite ?").arg(path),
                                     MessageAnswer::Yes);
            tools_[which]->SaveTo(path);
            for (const auto& call : host_.dialogs.Calls())
                if (call.messageKind == MessageKind::Error)
                    return false;
            return true;
        }
        if (kind_ == QLatin1String("settings"))
            return WriteProgramSettings(path, SettingsContent(which));
        return false;
    }

private:
    QString kind_;
    ConfigModel models_[2];
    FakeToolHost host_;
    std::unique_ptr<EepromTool> tools_[2];
};

}  // namespace relvane::reliability
