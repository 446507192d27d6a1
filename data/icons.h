// The compiled-in icons (made by tools/icongen from tools/icongen/icons.txt;
// do not edit).
#pragma once

#include "common/g_types.h"

extern const ICON PropSpeed_icon;  // 32 x 32
extern const ICON SonarTab_icon;  // 32 x 32
extern const ICON Light_icon;  // 32 x 32
extern const ICON BackgroundColor_icon;  // 32 x 32
extern const ICON Quickvo_start_rec_icon;  // 32 x 32
extern const ICON Quickvo_stop_rec_icon;  // 32 x 32
extern const ICON Quickvo_stop_playback_icon;  // 32 x 32
extern const ICON Quickvo_playspeed_icon;  // 32 x 32
extern const ICON Quickvo_ping_rate_icon;  // 32 x 32
extern const ICON delete_image_icon;  // 32 x 32
extern const ICON delete_image_all_icon;  // 32 x 32
extern const ICON select_active_side;  // 32 x 32
extern const ICON adjust_screen_size;  // 32 x 32
extern const ICON confirm_icon;  // 32 x 32
extern const ICON unselected_radio_button;  // 24 x 24
extern const ICON selected_radio_button;  // 24 x 24
extern const ICON Radar_hdg_left_icon;  // 32 x 28
extern const ICON Radar_hdg_right_icon;  // 32 x 28
extern const ICON active_side_lt_icon;  // 24 x 32
extern const ICON active_side_rt_icon;  // 24 x 32
extern const ICON rec_active_icon;  // 20 x 20
extern const ICON remind_rec_icon;  // 20 x 20
extern const ICON rew_icon;  // 28 x 20
extern const ICON playrev_icon;  // 28 x 20
extern const ICON playrewslow_icon;  // 28 x 20
extern const ICON pause_icon;  // 28 x 20
extern const ICON playslow_icon;  // 28 x 20
extern const ICON play_icon;  // 28 x 20
extern const ICON ffw_icon;  // 28 x 20
extern const ICON rec_icon;  // 28 x 20
extern const ICON stop_icon;  // 28 x 20
extern const ICON rew1_active_icon;  // 28 x 20
extern const ICON rew2_active_icon;  // 28 x 20
extern const ICON playrev_active_icon;  // 28 x 20
extern const ICON playrewslow_active_icon;  // 28 x 20
extern const ICON pause_active_icon;  // 28 x 20
extern const ICON playslow_active_icon;  // 28 x 20
extern const ICON play_active_icon;  // 28 x 20
extern const ICON ffw1_active_icon;  // 28 x 20
extern const ICON ffw2_active_icon;  // 28 x 20
extern const ICON stop_active_icon;  // 28 x 20
extern const ICON rew_notavail_icon;  // 28 x 20
extern const ICON playrev_notavail_icon;  // 28 x 20
extern const ICON playrewslow_notavail_icon;  // 28 x 20
extern const ICON playslow_notavail_icon;  // 28 x 20
extern const ICON play_notavail_icon;  // 28 x 20
extern const ICON ffw_notavail_icon;  // 28 x 20
extern const ICON Zoom_in_icon;  // 32 x 32
extern const ICON Zoom_out_icon;  // 32 x 32
extern const ICON start_playback_icon;  // 32 x 32
extern const ICON manual_icon;  // 16 x 16
extern const ICON slider_icon;  // 12 x 22
extern const ICON improper_screen_icon;  // 100 x 76
extern const ICON recording_thumbnail_icon;  // 120 x 90
extern const ICON SmfishClr_icon;  // 12 x 7
extern const ICON Smfish_icon;  // 12 x 7
extern const ICON fish_scl_icon;  // 12 x 7
extern const ICON fish_scr_icon;  // 12 x 7
extern const ICON VertFishS_icon;  // 7 x 12
extern const ICON MedfishClr_icon;  // 16 x 9
extern const ICON Medfish_icon;  // 16 x 9
extern const ICON fish_mcl_icon;  // 16 x 9
extern const ICON fish_mcr_icon;  // 16 x 9
extern const ICON VertFishM_icon;  // 9 x 16
extern const ICON LrgfishClr_icon;  // 20 x 11
extern const ICON Lrgfish_icon;  // 20 x 11
extern const ICON fish_lcl_icon;  // 20 x 11
extern const ICON fish_lcr_icon;  // 20 x 11
extern const ICON VertFishL_icon;  // 11 x 20
extern const ICON Off_icon;  // 17 x 7
extern const ICON LRMSfish_icon;  // 52 x 11
extern const ICON LRMfish_icon;  // 38 x 11
extern const ICON LRfish_icon;  // 20 x 11
extern const ICON Broadvane_Boat_icon;  // 20 x 21
extern const ICON sideview_icon;  // 32 x 14

// Every icon above, in the order of the drawings (tests and icon sheets).
extern const ICON* const g_apAllIcons[];
extern const char* const g_apcAllIconNames[];
constexpr int G_ALL_ICONS = 75;
