#pragma once
// The configuration blocks' test class, in two files: the frames and the round trip
// (test_block_codec.cpp), single fields and what a received block may and may not
// change (test_block_codec_fields.cpp); and the helpers both use.

#include "protocol/BlockCodec.h"
#include "protocol/ProtocolTestSupport.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace relvane::test {

inline QByteArray Hex(const char* spaced) { return QByteArray::fromHex(QByteArray(spaced).replace(' ', "")); }

inline QByteArray Encoded(ConfigModel& m, BlockKind kind, int index = 0) {
    const auto f = EncodeConfigBlock(m, kind, index);
    if (!f) return QByteArray();
    return Bytes(f->data(), f->length());
}

// A received frame built from a written one under a different command code.
inline std::vector<std::uint8_t> AsReceived(const QByteArray& written, std::uint8_t command) {
    std::vector<std::uint8_t> f(written.begin(), written.end());
    f[FRAME_COMMAND] = command;
    f[0] = FrameChecksum(f.data() + 1, int(f.size()) - 1);
    return f;
}

inline bool Decode(ConfigModel& m, const std::vector<std::uint8_t>& f) {
    return DecodeConfigBlock(m, f.data(), int(f.size()));
}

// Every field the blocks carry, one line each, for comparing two models.
QStringList Describe(const ConfigModel& m);

// A model in which every carried field differs from its start value and from
// its neighbours, within what each block can carry.
void FillVaried(ConfigModel& m, int seed);

}  // namespace relvane::test

class TestBlockCodec : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // -------------------------------------------------------------------------
    // Golden frames.

    void goldenFrames_data();
    void goldenFrames();
    void blockLengthsAndCommands_data();
    void blockLengthsAndCommands();
    void indexOutOfRangeBuildsNothing_data();
    void indexOutOfRangeBuildsNothing();

    // -------------------------------------------------------------------------
    // Round trip.

    void everyBlockOutAndBack_data();
    void everyBlockOutAndBack();
    void readAnswersDecodeLikeWriteRequests();

    // -------------------------------------------------------------------------
    // The examples of single fields.

    void lowPowerOutputKeepsItsCurrentFields();
    void receivedTriggerLevelAndCode_data();
    void receivedTriggerLevelAndCode();
    void lowBatteryVoltageTexts_data();
    void lowBatteryVoltageTexts();
    void outputListRuns();
    void canSetupCorrections_data();
    void canSetupCorrections();
    void canSetupReceived_data();
    void canSetupReceived();
    void startKillTriggers_data();
    void startKillTriggers();
    void canInputFullNameIsFollowedByRowEnabled();
    void canInputWideFieldsAndSigns();
    void virtualInputOperandOne();
    void canInputEnablePin_data();
    void canInputEnablePin();
    void canInputEnableUnknownCodeIsInputOne();
    void wiperInputs_data();
    void wiperInputs();
    void canExportLayouts();
    void boxNameField();
    void flashNameNeverReachesBeyondItsField();

    // -------------------------------------------------------------------------
    // What a received block must not change.

    void indexOutOfRangeChangesNothing_data();
    void indexOutOfRangeChangesNothing();
    void notABlock();
    void shortBlockTakesOnlyWhatArrived();
    void decodingNotifiesTheBlockItWrites();

    // -------------------------------------------------------------------------
    // Name accessors.

    void nameAccessors();
};
