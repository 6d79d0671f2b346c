#include "core/config/settings.h"

#include <gtest/gtest.h>

#include <set>

namespace atalaya {
namespace {

// Loads settings from file text, with the given data files present and two serial ports.
Settings Load(const std::string& text, std::set<std::string> files = {},
              std::vector<std::string> ports = {"ttyS0", "ttyUSB0"}) {
  SettingsEnvironment environment;
  environment.serial_ports = std::move(ports);
  environment.data_file_exists = [files = std::move(files)](const std::string& name) {
    return files.contains(name);
  };
  return LoadSettings(IniFile::FromBytes(text), environment);
}

std::string WithKey(const std::string& line) { return "[TForm1]\r\n" + line + "\r\n"; }

TEST(SettingsTest, WithoutAFileEveryValueTakesItsLoadDefault) {
  const Settings s = Load("");
  EXPECT_EQ(s.top, 0);
  EXPECT_EQ(s.left, 0);
  EXPECT_EQ(s.window_width, 736);
  EXPECT_EQ(s.window_height, 657);
  EXPECT_EQ(kBaudRates[static_cast<size_t>(s.baud)], 9600);
  EXPECT_EQ(kDataBits[static_cast<size_t>(s.data_bits)], 7);
  EXPECT_EQ(s.parity, 2);        // odd
  EXPECT_EQ(s.stop_bits, 0);     // one
  EXPECT_EQ(s.flow_control, 1);  // software
  EXPECT_EQ(s.port, 0);
  EXPECT_EQ(s.sat_a, "A");
  EXPECT_EQ(s.sat_b, "B");
  EXPECT_EQ(s.previous_satellite_names[0], "A");
  EXPECT_EQ(s.parallel_range, 1);
  EXPECT_EQ(s.parallel_base, 0x378);
  EXPECT_EQ(s.Value(Bar::kRetardoBusy), 300);
  EXPECT_EQ(s.Value(Bar::kRetardoComienzo), 2000);
  EXPECT_EQ(s.Value(Bar::kWStartBits), 1024);
  EXPECT_EQ(s.Value(Bar::kCalidadJPEG), 100);
  EXPECT_EQ(s.capture_width, 720);
  EXPECT_EQ(s.capture_height, 576);
  EXPECT_EQ(s.channel_row_count, 1000);
  EXPECT_EQ(s.transponder_row_count, 100);
  EXPECT_EQ(s.trap_address, "40010000");
  EXPECT_EQ(s.flash1_start, "7FE00000");
  EXPECT_EQ(s.flash2_start, "60000000");
  EXPECT_EQ(s.active_page, 0);
  EXPECT_TRUE(s.checksum);
  EXPECT_TRUE(s.usar_jtag_archivo);
  EXPECT_FALSE(s.forzar_jtag);
}

TEST(SettingsTest, ListPositionsAcceptEveryIntegerFormAndRefuseTheRest) {
  struct Case {
    const char* value;
    int position;
  };
  const Case cases[] = {
      {"0x9", 9}, {"$9", 9}, {"9", 9}, {"abc", 6}, {"", 6}, {"12", 12}, {"13", -1}, {"-1", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Load(WithKey(std::string("Velocidad=") + c.value)).baud, c.position) << c.value;
  }
  EXPECT_EQ(kBaudRates[9], 38400);
}

TEST(SettingsTest, SizesBelowTheirMinimumAreRaised) {
  const Settings s = Load(WithKey("WindowWidth=500\r\nForm3Height=100\r\nForm2Width=900"));
  EXPECT_EQ(s.window_width, 736);
  EXPECT_EQ(s.form3_height, 358);
  EXPECT_EQ(s.form2_width, 900);
}

TEST(SettingsTest, BooleansAreIntegers) {
  const Settings s = Load(WithKey("Checksum=5\r\nVerificarJtag=yes\r\nForzarJtag=\r\nProgreso=0"));
  EXPECT_TRUE(s.checksum);
  EXPECT_TRUE(s.verificar_jtag);  // unreadable: default
  EXPECT_FALSE(s.forzar_jtag);    // empty: default
  EXPECT_FALSE(s.progreso);
}

TEST(SettingsTest, BarValuesWrapToTheirStorageAndStayInTheirRange) {
  struct Case {
    Bar bar;
    const char* stored;
    int64_t value;
  };
  const Case cases[] = {
      {Bar::kRetardoStrobe, "266", 10},       // 8 bits: 266 mod 256
      {Bar::kRetardoStrobe, "256", 1},        // 0 after wrapping, kept in 1…100
      {Bar::kCalidadJPEG, "356", 100},        // 356 mod 256 = 100
      {Bar::kRetardoNegociacion4, "$14", 20},
      {Bar::kRetardoBusy, "10", 50},
      {Bar::kRetardoBusy, "650", 650},
      {Bar::kRetardoEntreBytes, "99999", 10000},
      {Bar::kWStartBits, "4294967299", 3},    // 32 bits: wraps to 3
      {Bar::kDuracionTCK, "x", 0},
  };
  for (const Case& c : cases) {
    const std::string key(SpecOf(c.bar).key);
    EXPECT_EQ(Load(WithKey(key + "=" + c.stored)).Value(c.bar), c.value) << key << c.stored;
  }
}

TEST(SettingsTest, FileListsUseHexNumbersAndSkipMissingFiles) {
  const std::string text = WithKey(
      "Idioma0=English\r\nIdioma1=Missing\r\nIdiomaA=Deutsch\r\nIdioma10=Fran\xE7" "ais\r\n"
      "Idioma15=TooFar\r\nModel1=K2002\r\nModel1E=K7003\r\nModel1F=Beyond\r\n"
      "SR0=Rates\r\nFlashIC14=Chip\r\nIdioma=2");
  const Settings s =
      Load(text, {"English", "Deutsch", "Français", "TooFar", "K2002", "K7003", "Beyond",
                  "Rates", "Chip"});
  EXPECT_EQ(s.languages, (std::vector<std::string>{"English", "Deutsch", "Français"}));
  EXPECT_EQ(s.language, 2);
  EXPECT_EQ(s.models, (std::vector<std::string>{"K2002", "K7003"}));
  EXPECT_EQ(s.symbol_rate_files, (std::vector<std::string>{"Rates"}));
  EXPECT_EQ(s.flash_types, (std::vector<std::string>{"Chip"}));
  EXPECT_EQ(FileListKey("Model", 30), "Model1E");
}

TEST(SettingsTest, PositionsBeyondTheirListLeaveNoChoice) {
  const Settings s = Load(WithKey("Idioma=0\r\nPuerto=2\r\nSR=2\r\nModel=1\r\nParalelo=4"));
  EXPECT_EQ(s.language, -1);  // no language files at all
  EXPECT_EQ(s.port, -1);      // two ports
  EXPECT_EQ(s.symbol_rate, -1);
  EXPECT_EQ(s.model, -1);
  EXPECT_EQ(s.parallel_range, -1);
  EXPECT_EQ(s.parallel_base, 0x378);  // unchanged
  EXPECT_EQ(Load("", {}, {}).port, -1);  // no serial port on the machine
  EXPECT_EQ(Load(WithKey("Paralelo=3")).parallel_base, 0xA068);
  EXPECT_EQ(Load(WithKey("Paralelo=0")).parallel_base, 0x278);
}

TEST(SettingsTest, AChosenModelLeavesTheChipKeysUnreadAndUnwritten) {
  const std::string text = WithKey(
      "Model=1\r\nModel1=K2002\r\nFlash1Start=12345678\r\nFlash1Type=0\r\n"
      "Flash2Start=ABCDEF00\r\nFlash2Type=1");
  Settings s = Load(text, {"K2002"});
  EXPECT_EQ(s.model, 1);
  EXPECT_EQ(s.flash1_start, "7FE00000");
  s.flash1_start = "99999999";
  IniFile ini = IniFile::FromBytes(text);
  SaveSettings(s, ini);
  EXPECT_EQ(ini.Read("TForm1", "Flash1Start"), "12345678");
  EXPECT_EQ(ini.Read("TForm1", "Flash2Start"), "ABCDEF00");

  s.model = 0;
  SaveSettings(s, ini);
  EXPECT_EQ(ini.Read("TForm1", "Flash1Start"), "99999999");
}

// An LNB frequency without a single digit in the file reads as its default, and a save and the
// next start keep it so; it once read as empty, was saved empty and came back as the default.
TEST(SettingsTest, AnLnbFrequencyWithoutDigitsReadsAsItsDefaultAndSurvivesASave) {
  const std::string file = WithKey("LNB-low=abc\r\nLNB-high=-");
  const Settings s = Load(file);
  EXPECT_EQ(s.lnb_low, "9750");
  EXPECT_EQ(s.lnb_high, "10600");
  IniFile ini = IniFile::FromBytes(file);
  SaveSettings(s, ini);
  EXPECT_EQ(ini.Read("TForm1", "LNB-low"), "9750");
  const Settings r = Load(ini.ToBytes());
  EXPECT_EQ(r.lnb_low, s.lnb_low);
  EXPECT_EQ(r.lnb_high, s.lnb_high);
}

TEST(SettingsTest, FieldRulesApplyAsTheFieldsAreFilled) {
  const Settings s = Load(WithKey("LNB-low=97a50\r\nSat-A=Hotbird\r\nSat-B=Hotbird"));
  EXPECT_EQ(s.lnb_low, "9750");
  EXPECT_EQ(s.sat_a, "A");
  EXPECT_EQ(s.sat_b, "B");
  const Settings t = Load(WithKey("Sat-A=Astra\r\nSat-B=Hotbird\r\nTamano=0"));
  EXPECT_EQ(t.previous_satellite_names, (std::array<std::string, 2>{"Astra", "Hotbird"}));
  EXPECT_EQ(t.capture_width, 352);
  EXPECT_EQ(t.capture_height, 576);
}

TEST(SettingsTest, SavingANewFileWritesEveryKeyInOrder) {
  Settings s = Load("");
  s.model = 0;
  IniFile ini;
  SaveSettings(s, ini);
  const std::string bytes = ini.ToBytes();
  ASSERT_TRUE(bytes.starts_with("\r\n[TForm1]\r\nTop=0\r\nLeft=0\r\nWindowWidth=736\r\n"))
      << bytes;
  const std::vector<std::string> order = {
      "Paralelo=1",      "RetardoStrobe=10", "RetardoBusy=300", "DuracionTCK=0",
      "FirmComando1=1",  "Usar-firm-jtag-archivo=1", "Pesta\xF1" "aActiva=0",
      "OpenDLgInitialDir=", "DirecJtag=7FE00000", "Sat-B=B", "CalidadJPEG=100",
      "Tamano=4",        "TrapAdr=40010000", "WStartBits=1024", "Flash1Start=7FE00000",
      "Flash2Type=-1",   "Model=0",          "VerificarJtag=1", "ForzarJtag=0"};
  size_t last = 0;
  for (const std::string& line : order) {
    const size_t at = bytes.find("\r\n" + line + "\r\n");
    ASSERT_NE(at, std::string::npos) << line;
    EXPECT_GT(at, last) << line;
    last = at;
  }
  EXPECT_TRUE(bytes.ends_with("ForzarJtag=0\r\n"));
}

TEST(SettingsTest, EveryValueSurvivesASaveAndALoad) {
  const std::set<std::string> files = {"English", "Chip1", "Chip2", "Rates1", "Rates2", "Rates3"};
  const std::string lists =
      WithKey("Idioma0=English\r\nFlashIC0=Chip1\r\nFlashIC1=Chip2\r\nSR0=Rates1\r\n"
              "SR1=Rates2\r\nSR2=Rates3");
  Settings s = Load(lists, files);
  s.top = 12;
  s.left = -30;
  s.window_width = 1000;
  s.window_height = 800;
  s.form2_width = 500;
  s.form3_height = 400;
  s.active_page = 5;
  s.open_dialog_dir = "/home/técnico/volcados";
  s.save_dialog_dir = "/tmp";
  s.language = 0;
  s.port = 1;
  s.baud = 12;
  s.data_bits = 2;
  s.flow_control = 0;
  s.parity = 4;
  s.stop_bits = 1;
  s.checksum = false;
  s.parallel_range = 3;
  for (int i = 0; i < kBarCount; ++i) {
    s.SetValue(static_cast<Bar>(i), SpecOf(static_cast<Bar>(i)).max);
  }
  s.firmware_address = 3;
  s.firm_comando1 = false;
  s.firm_comando3 = true;
  s.fase1y2 = false;
  s.progreso = false;
  s.usar_ps_flash = true;
  s.usar_ps_archivo = false;
  s.direc_jtag = "C00D0000";
  s.long_jtag = "98000";
  s.usar_jtag_ram_table = true;
  s.usar_jtag_archivo = false;
  s.trap_address = "C0010000";
  s.flash1_start = "60000000";
  s.flash1_type = 1;
  s.flash2_start = "7FE00000";
  s.flash2_type = 1;
  s.verificar_jtag = false;
  s.forzar_jtag = true;
  s.add_firmware_crc = true;
  s.tcs = 31;
  s.tpt = 5;
  s.symbol_rate = 1;
  s.channel_count = 1;
  s.transponder_count = 1;
  s.lnb_low = "9751";
  s.lnb_high = "10601";
  s.sat_a = "Astra 19";
  s.sat_b = "Hotbird";
  s.capture_size = 2;
  s.formato_4_3 = false;
  s.formato_original = true;

  IniFile ini = IniFile::FromBytes(lists);
  SaveSettings(s, ini);
  const Settings r = Load(ini.ToBytes(), files);

  EXPECT_EQ(r.top, 12);
  EXPECT_EQ(r.left, -30);
  EXPECT_EQ(r.window_width, 1000);
  EXPECT_EQ(r.window_height, 800);
  EXPECT_EQ(r.form2_width, 500);
  EXPECT_EQ(r.form3_height, 400);
  EXPECT_EQ(r.active_page, 5);
  EXPECT_EQ(r.open_dialog_dir, s.open_dialog_dir);
  EXPECT_EQ(r.save_dialog_dir, "/tmp");
  EXPECT_EQ(r.language, 0);
  EXPECT_EQ(r.port, 1);
  EXPECT_EQ(r.baud, 12);
  EXPECT_EQ(r.data_bits, 2);
  EXPECT_EQ(r.flow_control, 0);
  EXPECT_EQ(r.parity, 4);
  EXPECT_EQ(r.stop_bits, 1);
  EXPECT_FALSE(r.checksum);
  EXPECT_EQ(r.parallel_range, 3);
  EXPECT_EQ(r.parallel_base, 0xA068);
  EXPECT_EQ(r.bars, s.bars);
  EXPECT_EQ(r.firmware_address, 3);
  EXPECT_EQ(std::make_tuple(r.firm_comando1, r.firm_comando2, r.firm_comando3, r.fase1y2,
                            r.progreso, r.usar_ps_flash, r.usar_ps_archivo),
            std::make_tuple(false, false, true, false, false, true, false));
  EXPECT_EQ(r.direc_jtag, "C00D0000");
  EXPECT_EQ(r.long_jtag, "98000");
  EXPECT_EQ(std::make_tuple(r.usar_jtag_ram_table, r.usar_jtag_flash_table, r.usar_jtag_imagen,
                            r.usar_jtag_eeprom, r.usar_jtag_archivo),
            std::make_tuple(true, false, false, false, false));
  EXPECT_EQ(r.trap_address, "C0010000");
  EXPECT_EQ(r.flash1_start, "60000000");
  EXPECT_EQ(r.flash1_type, 1);
  EXPECT_EQ(r.flash2_start, "7FE00000");
  EXPECT_EQ(r.flash2_type, 1);
  EXPECT_EQ(std::make_tuple(r.verificar_jtag, r.forzar_jtag, r.add_firmware_crc),
            std::make_tuple(false, true, true));
  EXPECT_EQ(r.tcs, 31);
  EXPECT_EQ(r.tpt, 5);
  EXPECT_EQ(r.symbol_rate, 1);
  EXPECT_EQ(r.channel_count, 1);
  EXPECT_EQ(r.channel_row_count, 2003);
  EXPECT_EQ(r.transponder_count, 1);
  EXPECT_EQ(r.transponder_row_count, 200);
  EXPECT_EQ(r.lnb_low, "9751");
  EXPECT_EQ(r.lnb_high, "10601");
  EXPECT_EQ(r.sat_a, "Astra 19");
  EXPECT_EQ(r.sat_b, "Hotbird");
  EXPECT_EQ(r.capture_size, 2);
  EXPECT_EQ(r.capture_width, 544);
  EXPECT_EQ(std::make_tuple(r.formato_4_3, r.formato_16_9, r.formato_original),
            std::make_tuple(false, false, true));
  // The file lists are the installer's: never written.
  EXPECT_EQ(ini.Read("TForm1", "SR2"), "Rates3");
}

TEST(SettingsTest, AnEmptyLanguageListIsSavedAsNoChoice) {
  Settings s = Load(WithKey("Idioma=0"));
  IniFile ini;
  SaveSettings(s, ini);
  EXPECT_EQ(ini.Read("TForm1", "Idioma"), "-1");
}

TEST(SettingsTest, RestoreDefaultsSetsItsOwnValuesAndLeavesDerivedOnesAlone) {
  Settings s = Load(WithKey("SR0=R1\r\nSR1=R2\r\nSR2=R3\r\nFlashIC0=C\r\nRetardoBusy=650\r\n"
                            "Paralelo=0\r\nVelocidad=3\r\nDirecJtag=C00D0000\r\nSat-A=Astra"),
                    {"R1", "R2", "R3", "C"});
  RestoreDefaults(s);
  EXPECT_EQ(s.Value(Bar::kRetardoBusy), 500);
  EXPECT_EQ(s.Value(Bar::kRetardoComienzo), 3000);
  EXPECT_EQ(s.Value(Bar::kRetardoStrobe), 10);
  EXPECT_EQ(s.Value(Bar::kWStartBits), 1024);
  EXPECT_EQ(s.channel_count, 1);
  EXPECT_EQ(s.transponder_count, 1);
  EXPECT_EQ(s.capture_size, 1);
  EXPECT_EQ(s.baud, 6);
  EXPECT_EQ(s.parallel_range, 1);
  EXPECT_EQ(s.parallel_base, 0x378);
  EXPECT_EQ(s.flash1_start, "60000000");
  EXPECT_EQ(s.flash1_type, 0);
  EXPECT_EQ(s.symbol_rate, 2);
  EXPECT_EQ(s.port, 0);
  // Untouched by the button, and the lists' change actions do not run.
  EXPECT_EQ(s.channel_row_count, 1000);
  EXPECT_EQ(s.transponder_row_count, 100);
  EXPECT_EQ(s.capture_width, 720);
  EXPECT_EQ(s.direc_jtag, "C00D0000");
  EXPECT_EQ(s.sat_a, "Astra");
}

}  // namespace
}  // namespace atalaya
