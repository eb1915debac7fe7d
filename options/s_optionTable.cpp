// s_optionTable.cpp -- every config.ini option: key, section, member and default, in file order.
//
// The storage type and a text's capacity come from the member's declaration in s_options.h, and
// the key is the member's name, so a row cannot disagree with the member it describes. Defaults
// are written as the file would hold them and go through the same conversion as a loaded value.
#include "options/s_optionTable.h"

#include <iterator>

namespace {

template <class T>
struct StorageOf;
template <>
struct StorageOf<int32_t> {
    static constexpr OptionType kType = OptionType::Int32;
};
template <>
struct StorageOf<uint16_t> {
    static constexpr OptionType kType = OptionType::UInt16;
};
template <>
struct StorageOf<float> {
    static constexpr OptionType kType = OptionType::Float32;
};
template <size_t N>
struct StorageOf<char[N]> {
    static constexpr OptionType kType = OptionType::Text;
};
template <>
struct StorageOf<KeyBinding> {
    static constexpr OptionType kType = OptionType::KeyBinding;
};

#define OPTION_ROW(section, name, defaultValue, presenceFlag)                                          \
    {                                                                                                  \
        #name, OptionSection::section, StorageOf<decltype(GameOptions::name)>::kType,                 \
            uint16_t(sizeof(GameOptions::name)),                                                       \
            [](GameOptions& options) -> void* { return &options.name; }, defaultValue, presenceFlag \
    }
#define OPTION(section, name, defaultValue) OPTION_ROW(section, name, defaultValue, OptionRow::kAlwaysWritten)
#define KEY_OPTION(name, defaultValue) OPTION(Keys, name, defaultValue)
#define HIDDEN_OPTION(name, defaultValue, presenceFlag) OPTION_ROW(Debug, name, defaultValue, presenceFlag)

// clang-format off
constexpr OptionRow kRows[] = {
    // [VIDEO]
    OPTION(Video, media_api, "0"),
    OPTION(Video, adapter, "0"),
    OPTION(Video, device, "0"),
    OPTION(Video, res_width, "1024"),
    OPTION(Video, res_height, "768"),
    OPTION(Video, res_depth, "32"),
    OPTION(Video, res_freq, "60"),
    OPTION(Video, dx_fullreset, "0"),
    OPTION(Video, dx_vertexbuffer_size, "1024"),
    OPTION(Video, dx_sw_vertexprocessing, "0"),
    OPTION(Video, fps_limit, "0"),
    OPTION(Video, fps_autoadjust, "0"),
    OPTION(Video, windowed_mode, "0"),
    OPTION(Video, window_transparency, "15"),
    OPTION(Video, show_rain, "1"),
    OPTION(Video, show_clouds, "1"),
    OPTION(Video, show_animals, "1"),
    OPTION(Video, show_shipwaves, "2"),
    OPTION(Video, show_cannonsmoke, "2"),
    OPTION(Video, screenshot_format, "bmp"),
    OPTION(Video, topmost_window, "0"),

    // [AUDIO]
    OPTION(Audio, ambiente_volume, "80"),
    OPTION(Audio, effects_volume, "100"),
    OPTION(Audio, music_volume, "60"),
    OPTION(Audio, enable_sounds, "1"),
    OPTION(Audio, global_sounds, "1"),
    OPTION(Audio, duplicate_sounds, "1"),
    OPTION(Audio, play_chat_sound, "1"),
    OPTION(Audio, play_skill_sound, "0"),

    // [INPUT]
    OPTION(Input, kov_mouse, "1"),
    OPTION(Input, mouse_navigation, "0"),
    OPTION(Input, keypress_delay, "200"),
    OPTION(Input, keypress_repeat, "75"),

    // [KEYS]
    KEY_OPTION(key_sailup, "0;17;0;200"),
    KEY_OPTION(key_sailDown, "0;31;0;208"),
    KEY_OPTION(key_turnleft, "0;30;0;203"),
    KEY_OPTION(key_turnright, "0;32;0;205"),
    KEY_OPTION(key_mousenav, "0;49;0;0"),
    KEY_OPTION(key_actionignore, "0;2;0;0"),
    KEY_OPTION(key_actiontrade, "0;3;0;0"),
    KEY_OPTION(key_actioncannon, "0;4;0;0"),
    KEY_OPTION(key_actionboard, "0;5;0;0"),
    KEY_OPTION(key_anchor, "0;25;0;0"),
    KEY_OPTION(key_fireleft, "0;16;0;0"),
    KEY_OPTION(key_fireright, "0;18;0;0"),
    KEY_OPTION(key_ammostandard, "1;2;0;0"),
    KEY_OPTION(key_ammoshatter, "1;3;0;0"),
    KEY_OPTION(key_ammoexplosive, "1;4;0;0"),
    KEY_OPTION(key_nexttarget, "0;20;0;0"),
    KEY_OPTION(key_prevtarget, "2;20;0;0"),
    KEY_OPTION(key_notarget, "0;22;0;0"),
    KEY_OPTION(key_togglemap, "0;50;0;0"),
    KEY_OPTION(key_playercoord, "0;60;0;0"),
    KEY_OPTION(key_citynames, "0;62;0;0"),
    KEY_OPTION(key_enemynames, "0;63;0;0"),
    KEY_OPTION(key_enemymodes, "0;64;0;0"),
    KEY_OPTION(key_action, "0;256;0;0"),
    KEY_OPTION(key_popup, "0;257;0;0"),
    KEY_OPTION(key_enter, "0;28;0;156"),
    KEY_OPTION(key_chathistory, "0;46;0;0"),
    KEY_OPTION(key_chatchannels, "1;15;0;0"),
    KEY_OPTION(key_nexteditfield, "0;15;0;0"),
    KEY_OPTION(key_panic, "0;1;0;0"),
    KEY_OPTION(key_fps, "0;59;0;0"),
    KEY_OPTION(key_screenshot, "0;61;0;0"),
    KEY_OPTION(key_windowedmode, "0;88;0;0"),
    KEY_OPTION(key_toggleqb, "0;45;0;0"),
    KEY_OPTION(key_nextwp, "0;36;0;0"),
    KEY_OPTION(key_prevwp, "0;37;0;0"),
    KEY_OPTION(key_nowp, "0;38;0;0"),
    KEY_OPTION(key_quickbar1, "0;0;0;0"),
    KEY_OPTION(key_quickbar2, "0;0;0;0"),
    KEY_OPTION(key_quickbar3, "0;0;0;0"),
    KEY_OPTION(key_quickbar4, "0;0;0;0"),
    KEY_OPTION(key_quickbar5, "0;0;0;0"),
    KEY_OPTION(key_quickbar6, "0;0;0;0"),
    KEY_OPTION(key_quickbar7, "0;0;0;0"),
    KEY_OPTION(key_quickbar8, "0;0;0;0"),
    KEY_OPTION(key_quickbar9, "0;0;0;0"),
    KEY_OPTION(key_quickbar0, "0;0;0;0"),
    KEY_OPTION(key_onlinehelp, "0;35;0;0"),
    KEY_OPTION(key_draganddrop, "0;56;0;0"),
    KEY_OPTION(key_qlogs, "1;38;0;0"),
    KEY_OPTION(key_qmaps, "1;50;0;0"),
    KEY_OPTION(key_qcrew, "1;46;0;0"),
    KEY_OPTION(key_qships, "1;33;0;0"),
    KEY_OPTION(key_qperson, "1;25;0;0"),
    KEY_OPTION(key_qbuddies, "1;48;0;0"),
    KEY_OPTION(key_qoptions, "1;24;0;0"),
    KEY_OPTION(key_nextmessage, "0;48;0;0"),
    KEY_OPTION(key_shift1, "0;42;0;54"),
    KEY_OPTION(key_shift2, "0;29;0;157"),
    KEY_OPTION(key_console, "0;0;0;0"),
    KEY_OPTION(key_reserved1, "0;0;0;0"),
    KEY_OPTION(key_reserved2, "0;0;0;0"),
    KEY_OPTION(key_reserved3, "0;0;0;0"),
    KEY_OPTION(key_fightstepleft, "0;203;0;0"),
    KEY_OPTION(key_fightstepright, "0;205;0;0"),
    KEY_OPTION(key_fightattack, "0;256;0;0"),
    KEY_OPTION(key_fightdefend, "0;257;0;0"),

    // [INGAME]
    OPTION(Ingame, last_character, "-1"),
    OPTION(Ingame, chat_rows, "8"),
    OPTION(Ingame, chat_echo, "1"),
    OPTION(Ingame, auto_chathistory, "1"),
    OPTION(Ingame, small_chatfont, "0"),
    OPTION(Ingame, auto_changechannel, "1"),
    OPTION(Ingame, color_channelName, "1"),
    OPTION(Ingame, color_playerName, "-2"),
    OPTION(Ingame, color_vicinity, "8"),
    OPTION(Ingame, color_nation, "8"),
    OPTION(Ingame, color_global, "1"),
    OPTION(Ingame, color_team, "9"),
    OPTION(Ingame, color_clan, "5"),
    OPTION(Ingame, color_privat, "7"),
    OPTION(Ingame, color_ingame, "6"),
    OPTION(Ingame, color_system, "1"),
    OPTION(Ingame, color_gm, "3"),
    OPTION(Ingame, show_minimap, "3"),
    OPTION(Ingame, show_targetwin, "1"),
    OPTION(Ingame, show_quickbar, "1"),
    OPTION(Ingame, show_fighthelp, "0"),
    OPTION(Ingame, show_citynames, "1"),
    OPTION(Ingame, show_msgcount, "1"),
    OPTION(Ingame, show_progresspoints, "0"),
    OPTION(Ingame, show_chathistory, "1"),
    OPTION(Ingame, show_coordinates, "1"),
    OPTION(Ingame, show_enemynames, "1"),
    OPTION(Ingame, show_enemyclans, "1"),
    OPTION(Ingame, show_enemymodes, "1"),
    OPTION(Ingame, show_enemyflags, "1"),
    OPTION(Ingame, show_playername_onsea, "1"),
    OPTION(Ingame, show_playername_onlist, "0"),
    OPTION(Ingame, colored_conditionbar, "1"),
    OPTION(Ingame, flag_direction, "0"),
    OPTION(Ingame, show_entermsg_buddies, "1"),
    OPTION(Ingame, teamlevel_msgbox, "1"),
    OPTION(Ingame, auto_target, "1"),
    OPTION(Ingame, target_ghostships, "0"),
    OPTION(Ingame, mapzoom_1x, "0"),
    OPTION(Ingame, mapzoom_2x, "0"),
    OPTION(Ingame, do_foodwarning, "1"),
    OPTION(Ingame, foodwarning_time, "360"),
    OPTION(Ingame, do_moralwarning, "1"),
    OPTION(Ingame, moralwarning_time, "-50"),
    OPTION(Ingame, auto_savegame, "1"),

    // [COMM]
    OPTION(Comm, last_server, "0"),
    OPTION(Comm, updater_proxyserver, ""),
    OPTION(Comm, updater_proxyport, "0"),
    OPTION(Comm, visible_timeout, "500"),

    // [MISC]
    OPTION(Misc, first_setup, "1"),
    OPTION(Misc, language, nullptr),
    OPTION(Misc, login, ""),
    OPTION(Misc, save_password, "0"),
    OPTION(Misc, dynamic_loader, "1"),
    OPTION(Misc, startload_ships, "1"),
    OPTION(Misc, startload_terrain, "1"),
    OPTION(Misc, startload_animals, "1"),
    OPTION(Misc, badword_filter, "1"),
    OPTION(Misc, personal_folder, nullptr),

    // [DEBUG]
    OPTION(Debug, debug_logfile, "_debug.log"),
    OPTION(Debug, clear_logfile, "0"),
    OPTION(Debug, debug_loglevel, "-1"),
    OPTION(Debug, debug_loglevelAdv, "-1"),
    OPTION(Debug, max_filesize, "2000000"),
    OPTION(Debug, disable_updater, "0"),
    OPTION(Debug, send_sysconfig, "1"),
    OPTION(Debug, enable_testupdate, "0"),
    HIDDEN_OPTION(reserved, "0", 0),
    HIDDEN_OPTION(test_user, "", 1),
    HIDDEN_OPTION(test_pass, "", 2),
    HIDDEN_OPTION(gfx_unpacked, "1", 3),
    HIDDEN_OPTION(snd_unpacked, "1", 4),
    HIDDEN_OPTION(vertical_texel, "0.5", 5),
    HIDDEN_OPTION(horizontal_texel, "0.5", 6),
    HIDDEN_OPTION(show_kiname_onlist, "0", 7),
};
// clang-format on

#undef HIDDEN_OPTION
#undef KEY_OPTION
#undef OPTION
#undef OPTION_ROW

// The hidden options' flags are numbered in row order, one each.
constexpr bool PresenceFlagsInRowOrder() {
    int8_t next = 0;
    for (const OptionRow& row : kRows) {
        if (row.presenceFlag != OptionRow::kAlwaysWritten && row.presenceFlag != next++)
            return false;
    }
    return next == GameOptions::kHiddenOptionCount;
}
static_assert(PresenceFlagsInRowOrder(), "presence flags must count 0, 1, ... in row order");

constexpr size_t CountRows(OptionSection section) {
    size_t count = 0;
    for (const OptionRow& row : kRows)
        count += row.section == section ? 1 : 0;
    return count;
}
static_assert(CountRows(OptionSection::Keys) == 67, "the client knows 67 key bindings");

const char* const kSectionHeaders[] = {"[VIDEO]", "[AUDIO]", "[INPUT]", "[KEYS]",
                                       "[INGAME]", "[COMM]", "[MISC]", "[DEBUG]"};
static_assert(std::size(kSectionHeaders) == size_t(OptionSection::Debug) + 1, "one header per section");

}  // namespace

OptionTable GameOptionTable() { return {std::begin(kRows), std::end(kRows)}; }

const char* SectionHeader(OptionSection section) { return kSectionHeaders[size_t(section)]; }
