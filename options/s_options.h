// s_options.h -- GameOptions: the game client's config.ini as a record of options.
//
// Holds every option the client knows with the defaults a new installation starts from, the 67
// key bindings, and up to 99 lines of a loaded file whose keys it does not know. Load reads a
// file over the current values, Save writes all of it back in the client's fixed order, so a
// reinstallation keeps the user's settings and foreign keys. The options are plain public members
// that callers assign between Load and Save; which member belongs to which key, section and
// default is one table (s_optionTable.cpp) that drives the defaults, Load and Save alike.
#pragma once

#include <cstdint>

#include "common/s_strUtil.h"

// One binding of an action: a key code (DirectInput scan code, or 256/257 beyond the keyboard)
// with an optional modifier (1: key_shift1, 2: key_shift2, 0: none).
struct KeySlot {
    uint16_t key = 0;
    uint16_t modifier = 0;
    uint16_t reserved = 0;  // the client's own; never read or written here
};

struct KeyBinding {
    KeySlot first;
    KeySlot second;
};

class GameOptions {
public:
    static constexpr int32_t kMaxKeptLines = 99;
    static constexpr int32_t kHiddenOptionCount = 8;

    // Defaults for the user's language and the program's folder.
    GameOptions();
    // Defaults for a given Windows language id and personal folder (tests, tools).
    GameOptions(int32_t languageId, const char* personalFolder);

    // Reads a config.ini over the current values; null means config.ini in the program's folder.
    // False when the file is missing, empty or only comments (Save may then create it), or after
    // an exception (Save then writes nothing).
    bool Load(const char* path);
    // Stores one key=value; a key this record does not know is kept as a line for Save.
    void ApplyOption(const char* key, const char* value);
    // Writes the whole record, only after a Load; null path as for Load. The file is replaced
    // whole, keeping its permission bits; a failed write is logged, leaves the old file and
    // returns false.
    bool Save(const char* path);

    // The window's opacity for the client's transparency percentage (217 for the default 15).
    uint8_t WindowAlpha() const;

    // "german" for the German-language locales, otherwise "english".
    static const char* LanguageForId(int32_t languageId);

private:
    bool LoadLines(const char* path);
    void StoreDefaults();
    void KeepLine(const char* key, const char* value);

    char keptLines[kMaxKeptLines][kNameSize] = {};  // each "key=value\n", at most 255 bytes
    int32_t keptLineCount = 0;
    bool loaded = false;

public:
    // [VIDEO]
    int32_t media_api;
    int32_t adapter;
    int32_t device;
    int32_t res_width;
    int32_t res_height;
    int32_t res_depth;
    int32_t res_freq;
    int32_t dx_fullreset;
    int32_t dx_vertexbuffer_size;  // at least 1 after a Load
    int32_t dx_sw_vertexprocessing;
    int32_t fps_limit;
    int32_t fps_autoadjust;
    int32_t windowed_mode;
    int32_t window_transparency;  // percent; see WindowAlpha
    int32_t show_rain;
    int32_t show_clouds;
    int32_t show_animals;
    int32_t show_shipwaves;
    int32_t show_cannonsmoke;
    char screenshot_format[128];
    int32_t topmost_window;

    // [AUDIO]
    int32_t ambiente_volume;
    int32_t effects_volume;
    int32_t music_volume;
    int32_t enable_sounds;
    int32_t global_sounds;
    int32_t duplicate_sounds;
    int32_t play_chat_sound;
    int32_t play_skill_sound;

    // [INPUT]
    int32_t kov_mouse;
    int32_t mouse_navigation;
    uint16_t keypress_delay;
    uint16_t keypress_repeat;

    // [KEYS], in the client's order
    KeyBinding key_sailup, key_sailDown, key_turnleft, key_turnright, key_mousenav;
    KeyBinding key_actionignore, key_actiontrade, key_actioncannon, key_actionboard;
    KeyBinding key_anchor, key_fireleft, key_fireright;
    KeyBinding key_ammostandard, key_ammoshatter, key_ammoexplosive;
    KeyBinding key_nexttarget, key_prevtarget, key_notarget;
    KeyBinding key_togglemap, key_playercoord, key_citynames, key_enemynames, key_enemymodes;
    KeyBinding key_action, key_popup, key_enter, key_chathistory, key_chatchannels, key_nexteditfield;
    KeyBinding key_panic, key_fps, key_screenshot, key_windowedmode, key_toggleqb;
    KeyBinding key_nextwp, key_prevwp, key_nowp;
    KeyBinding key_quickbar1, key_quickbar2, key_quickbar3, key_quickbar4, key_quickbar5;
    KeyBinding key_quickbar6, key_quickbar7, key_quickbar8, key_quickbar9, key_quickbar0;
    KeyBinding key_onlinehelp, key_draganddrop;
    KeyBinding key_qlogs, key_qmaps, key_qcrew, key_qships, key_qperson, key_qbuddies, key_qoptions;
    KeyBinding key_nextmessage, key_shift1, key_shift2, key_console;
    KeyBinding key_reserved1, key_reserved2, key_reserved3;
    KeyBinding key_fightstepleft, key_fightstepright, key_fightattack, key_fightdefend;

    // [INGAME]
    int32_t last_character;
    int32_t chat_rows;
    int32_t chat_echo;
    int32_t auto_chathistory;
    int32_t small_chatfont;
    int32_t auto_changechannel;
    int32_t color_channelName;
    int32_t color_playerName;
    int32_t color_vicinity;
    int32_t color_nation;
    int32_t color_global;
    int32_t color_team;
    int32_t color_clan;
    int32_t color_privat;
    int32_t color_ingame;
    int32_t color_system;
    int32_t color_gm;
    int32_t show_minimap;
    int32_t show_targetwin;
    int32_t show_quickbar;
    int32_t show_fighthelp;
    int32_t show_citynames;
    int32_t show_msgcount;
    int32_t show_progresspoints;
    int32_t show_chathistory;
    int32_t show_coordinates;
    int32_t show_enemynames;
    int32_t show_enemyclans;
    int32_t show_enemymodes;
    int32_t show_enemyflags;
    int32_t show_playername_onsea;
    int32_t show_playername_onlist;
    int32_t colored_conditionbar;
    int32_t flag_direction;
    int32_t show_entermsg_buddies;
    int32_t teamlevel_msgbox;
    int32_t auto_target;
    int32_t target_ghostships;
    int32_t mapzoom_1x;
    int32_t mapzoom_2x;
    int32_t do_foodwarning;
    int32_t foodwarning_time;
    int32_t do_moralwarning;
    int32_t moralwarning_time;
    int32_t auto_savegame;

    // [COMM]
    int32_t last_server;
    char updater_proxyserver[128];
    int32_t updater_proxyport;
    int32_t visible_timeout;

    // [MISC]
    int32_t first_setup;
    char language[40];  // "english" or "german"
    char login[40];
    int32_t save_password;
    int32_t dynamic_loader;
    int32_t startload_ships;
    int32_t startload_terrain;
    int32_t startload_animals;
    int32_t badword_filter;
    char personal_folder[kNameSize];

    // [DEBUG]
    char debug_logfile[128];
    int32_t clear_logfile;
    int32_t debug_loglevel;
    int32_t debug_loglevelAdv;
    int32_t max_filesize;
    int32_t disable_updater;
    int32_t send_sysconfig;
    int32_t enable_testupdate;
    // Hidden: written only when the file last loaded held them.
    int32_t reserved;
    char test_user[40];
    char test_pass[40];
    int32_t gfx_unpacked;
    int32_t snd_unpacked;
    float vertical_texel;
    float horizontal_texel;
    int32_t show_kiname_onlist;

private:
    bool hiddenPresent[kHiddenOptionCount] = {};
};

extern GameOptions gOptions;
