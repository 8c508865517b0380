#pragma once
// The production data of the module (serial number, production year and week,
// hardware version): the read request, the replies and the store.

#include "tools/ToolHost.h"

#include <QObject>
#include <QString>

#include <cstdint>

namespace relvane {

// As the module reports and stores it.
struct SystemData {
    std::uint32_t serial = 0;
    std::uint8_t week = 0;
    std::uint8_t yearSince2000 = 0;
    std::uint8_t hardwareVersion = 0;
};

// Display texts.
QString SerialText(std::uint32_t serial);  // signed decimal, "0"-padded to 8 characters
QString YearText(std::uint8_t yearSince2000);  // "20" + "%02d"
QString TwoDigitText(std::uint8_t value);  // "%02d"

// The request of the system data (4 bytes) and the store frame (11 bytes).
Frame BuildSystemDataRequest();
Frame BuildSystemDataStore(const SystemData& data);

inline const QString kYearRefused = QStringLiteral(" NOT a Valit Year, 2006-2099");
inline const QString kSystemDataStored = QStringLiteral("Data stored in Relvane");

// The logic of TSystemSetupForm: holds the texts of its fields.
class SystemSetupTool : public QObject, public ToolFrameListener {
    Q_OBJECT
public:
    explicit SystemSetupTool(ToolHost& host, QObject* parent = nullptr);

    QString serialText() const { return serial_; }
    QString yearText() const { return year_; }
    QString weekText() const { return week_; }
    QString hardwareText() const { return hardware_; }
    QString versionText() const { return version_; }
    void setSerialText(const QString& t) { serial_ = t; }
    void setYearText(const QString& t) { year_ = t; }
    void setWeekText(const QString& t) { week_ = t; }
    void setHardwareText(const QString& t) { hardware_ = t; }

    // Each activation: the version as the main window has it, then the request.
    void Activate();

    // Converts the fields and sends the store frame. Returns false when the year
    // is refused (the message has been shown). A field that is no integer throws
    // ToolInputError; nothing is sent then.
    bool Upload();

    void OnToolFrame(const std::uint8_t* frame, int count) override;

Q_SIGNALS:
    // The field texts changed from the module's side.
    void changed();

private:
    void ShowVersion();

    ToolHost& host_;
    QString serial_ = QStringLiteral("00000000");
    QString year_ = QStringLiteral("2006");
    QString week_ = QStringLiteral("00");
    QString hardware_ = QStringLiteral("00");
    QString version_ = QStringLiteral("0.0");
};

}  // namespace relvane
