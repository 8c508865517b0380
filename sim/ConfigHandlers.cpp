// Configuration blocks: every write request is stored and confirmed, every read
// request answered from the store; factory defaults and reboot.

#include "sim/MessageCodes.h"
#include "sim/Module.h"

namespace relvane::sim {

namespace {

constexpr std::uint8_t kAllBlocks = 0xFF;

void SendBlock(Module& m, const BlockLayout& layout, int slot) {
    const QByteArray payload = m.config.Block(layout.kind, slot);
    Frame f(FRAME_TYPE_COMMAND, layout.readCfm, layout.length);
    for (int i = 0; i < payload.size(); ++i) f[FRAME_PAYLOAD + i] = static_cast<std::uint8_t>(payload[i]);
    m.Send(f.Seal());
}

void HandleWrite(Module& m, const BlockLayout& layout, const Request& r) {
    const int slot = layout.SlotOf(r.at(4));
    if (slot >= 0) {
        QByteArray payload;
        for (int i = FRAME_PAYLOAD; i < layout.length; ++i) payload.append(static_cast<char>(r.at(i)));
        m.config.SetBlock(layout.kind, slot, payload);
    } else {
        // A real module confirms anyway, so the tool's upload does not stall on it.
        m.Print(QStringLiteral("%1 block with index %2 ignored")
                    .arg(QLatin1String(layout.name))
                    .arg(r.at(4)));
    }
    const int length = layout.cfmCarriesIndex ? 5 : 4;
    Frame f(FRAME_TYPE_COMMAND, layout.writeCfm, length);
    if (layout.cfmCarriesIndex) f[4] = r.at(4);
    m.Send(f.Seal());
}

void HandleRead(Module& m, const BlockLayout& layout, const Request& r) {
    if (layout.firstIndex < 0) {
        SendBlock(m, layout, 0);
        return;
    }
    if (r.at(4) == kAllBlocks) {
        for (int slot = 0; slot < layout.count; ++slot) SendBlock(m, layout, slot);
        return;
    }
    const int slot = layout.SlotOf(r.at(4));
    if (slot >= 0) SendBlock(m, layout, slot);
}

}  // namespace

void RegisterConfigHandlers(Module& module) {
    for (const BlockLayout& layout : BlockLayouts()) {
        const BlockLayout* s = &layout;
        module.RegisterHandler(FRAME_TYPE_COMMAND, layout.writeReq,
                               [s](Module& m, const Request& r) { HandleWrite(m, *s, r); });
        module.RegisterHandler(FRAME_TYPE_COMMAND, layout.readReq,
                               [s](Module& m, const Request& r) { HandleRead(m, *s, r); });
    }
    module.RegisterHandler(FRAME_TYPE_COMMAND, FACTORY_DEFAULT_REQ, [](Module& m, const Request&) {
        m.config.RestoreFactory();
        m.Print(QStringLiteral("factory configuration restored"));
        m.Send(Frame(FRAME_TYPE_COMMAND, FACTORY_DEFAULT_CFM, 4).Seal());
    });
    module.RegisterHandler(FRAME_TYPE_COMMAND, REBOOT_REQ, [](Module& m, const Request&) {
        m.Send(Frame(FRAME_TYPE_COMMAND, REBOOT_CFM, 4).Seal());
        // A reboot restarts the power-up clock and leaves any test mode.
        ++m.reboots;
        m.PowerUp();
        m.live.Reset();
        m.Print(QStringLiteral("rebooted"));
    });

    module.RegisterConsoleCommand({QStringLiteral("factory"), QStringLiteral("factory"),
                                   QStringLiteral("restore the factory configuration"),
                                   [](Module& m, const QStringList&) {
                                       m.config.RestoreFactory();
                                       return QStringLiteral("factory configuration restored");
                                   }});
}

}  // namespace relvane::sim
