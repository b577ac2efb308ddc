#include "tests/wizard/e2e_common.h"

#include <gtest/gtest.h>

std::vector<FirmwareFile> SampleSet(WizardEnvironment& env)
{
    std::string main;
    for (int i = 0; i < 70000; ++i)
        main += static_cast<char>((i * 131) ^ (i >> 8));
    return env.WriteFirmware({{"boot.bin", std::string("\x01SR\r\n\x01KK\r\n", 10)},
                              {"main.bin", main},
                              {"fonts.bin", std::string(3072, '\0')}},
                             std::string(4000, '\xff'));
}

std::string StartPrinterFor(WizardEnvironment& env, CommMode mode)
{
    const std::string serial = env.HostFile("serial-line");
    const std::string parallel = env.HostFile("parallel-line");
    if (mode == TcpIp) {
        // Port 2864 of an address of its own, as the stored settings give
        // it: 127.0.0.1:2864 is the demonstration's.
        const std::string address = env.StartTcpPrinter();
        if (address.empty())
            return "";
        env.StoreTcpSettings(address);
        return "tcp:" + address;
    }
    if (mode == Dual) {
        if (!env.StartPrinter({"--dual", serial, parallel}))
            return "";
        env.MapPort("COM1", serial);
        env.MapPort("LPT1", parallel);
        return "dual:" + serial + "+" + parallel;
    }
    if (!env.StartPrinter({"--pty", serial}))
        return "";
    env.MapPort(mode == Com ? "COM1" : "LPT1", serial);
    return mode == Com ? "serial:" + serial + "@19200" : "parallel:" + serial;
}

void Upgrade(WizardHarness& w, int modeButton)
{
    ASSERT_TRUE(w.Press("next"));
    w.ClickRadio(modeButton);
    w.TakeMessages();
    ASSERT_TRUE(w.Press("next"));
    ASSERT_EQ(w.Page(), 2) << (w.boxes.empty() ? "" : w.boxes[0].text);
    ASSERT_TRUE(w.Press("next")) << w.sheet.m_page3.m_strStatus;
    ASSERT_TRUE(w.Press("finish"));
    ASSERT_TRUE(w.boxes.empty()) << w.boxes[0].text;
    ASSERT_EQ(w.FinishText(), "Done");
    ASSERT_TRUE(w.Press("finish"));
    ASSERT_TRUE(w.Closed());
}

