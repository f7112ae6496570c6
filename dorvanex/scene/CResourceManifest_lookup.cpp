// The lookup tables of the manifest: what the athletes and the effect layer turn character,
// action and effect numbers into. Characters 0 to 9: China, Japan, Korea, Jamaica, France, USA,
// England, Kenya, Russia, Italy. The four characters at order positions 0 to 3 (USA, China,
// Jamaica, Russia) have every event action; the others have the track and field ones and borrow the
// rest from the same-sex character of their alternative slot.
#include "dorvanex/scene/CResourceManifest.h"

#include <vector>

namespace {

constexpr int32_t END = -1;
constexpr uint32_t NR_CHARACTERS = 10;
constexpr uint32_t NR_EVENTS = 10;
constexpr uint32_t NR_COMMON_ACTIONS = 7;
constexpr uint32_t NR_EVENT_ACTIONS = 96;
constexpr uint32_t NR_RESOURCE_COLUMNS = 7;
constexpr uint32_t NR_MODEL_COLUMNS = 5;
constexpr uint32_t NR_EFFECTS = 40;

// Column 0 foil, 1 and 2 left and right gloves, 3 the held barbell, 4 the resting barbell,
// 5 gun, 6 table-tennis bat; by character.
constexpr int32_t CHARACTER_RESOURCES[NR_RESOURCE_COLUMNS][NR_CHARACTERS] = {
    {1503, 1501, 1501, 1505, 1501, 1501, 1503, 1501, 1507, 1501},
    {1513, 1511, 1511, 1515, 1511, 1511, 1513, 1511, 1517, 1511},
    {1514, 1512, 1512, 1516, 1512, 1512, 1514, 1512, 1518, 1512},
    {1522, 1519, 1519, 1521, 1519, 1519, 1522, 1519, 1520, 1519},
    {1524, 1524, 1524, 1524, 1524, 1524, 1524, 1524, 1524, 1524},
    {1531, 1535, 1534, 1532, 1533, 1529, 1531, 1529, 1530, 1529},
    {287, 286, 286, 288, 286, 286, 287, 286, 289, 286},
};
constexpr int32_t CHARACTER_FACES[NR_CHARACTERS] = {555, 886,  1140, 644, 824,
                                                    384, 1016, 1076, 735, 951};
constexpr int32_t CHARACTER_ORDER[NR_CHARACTERS] = {5, 0, 3, 8, 1, 2, 4, 6, 7, 9};
// The order position whose event actions a character uses where it has none of its own.
constexpr int32_t CHARACTER_ALTERNATIVES[NR_CHARACTERS] = {1, 0, 0, 2, 0, 0, 1, 0, 3, 0};
// Columns 0 to 3 the full model, 4 the fencing model (masked head).
constexpr int32_t MODELS[NR_CHARACTERS][NR_MODEL_COLUMNS] = {
    {554, 554, 554, 554, 618},      {885, 885, 885, 885, 943},      {1139, 1139, 1139, 1139, 1197},
    {643, 643, 643, 643, 708},      {823, 823, 823, 823, 881},      {351, 351, 351, 351, 402},
    {1015, 1015, 1015, 1015, 1071}, {1075, 1075, 1075, 1075, 1133}, {734, 734, 734, 734, 804},
    {947, 947, 947, 947, 1011},
};
// Base, three depressed and three happy poses; by action, then character.
constexpr int32_t COMMON_ACTIONS[NR_COMMON_ACTIONS][NR_CHARACTERS] = {
    {582, 889, 1143, 682, 827, 389, 1019, 1081, 771, 952},
    {576, 907, 1144, 683, 845, 390, 1020, 1082, 772, 954},
    {577, 908, 1145, 684, 846, 391, 1021, 1083, 773, 956},
    {578, 909, 1146, 685, 847, 392, 1022, 1084, 774, 958},
    {579, 910, 1147, 686, 848, 393, 1023, 1085, 775, 960},
    {580, 911, 1148, 687, 849, 394, 1024, 1086, 776, 962},
    {581, 912, 1149, 688, 850, 395, 1025, 1087, 777, 964},
};
// Actions 7 on, by order position; -1 where the character has no such animation (the
// alternative slot stands in).
constexpr int32_t EVENT_ACTIONS[NR_EVENT_ACTIONS][NR_CHARACTERS] = {
    {352, 565, 652, 743, 893, 1153, 831, 1030, 1091, 970},  // 7 100mbase
    {355, 558, 645, 738, 890, 1150, 828, 1026, 1088, 966},  // 8 100mrun01
    {356, 559, 646, 739, 891, 1151, 829, 1027, 1089, 967},  // 9 100mrun02
    {357, 560, 647, 740, 892, 1152, 830, 1028, 1090, 968},  // 10 100mrun03
    {366, 561, 648, 741, 900, 1160, 838, 1037, 1098, 977},  // 11 100mrun02to03
    {367, 562, 649, 742, 901, 1161, 839, 1038, 1099, 978},  // 12 100mrun03to02
    {365, 566, 653, 744, 894, 1154, 832, 1031, 1092, 971},  // 13 100mfoul
    {369, 572, 659, 750, 896, 1157, 834, 1034, 1095, 974},  // 14 100mgoal_b01
    {388, 586, 701, 770, 898, 1159, 836, 1036, 1097, 976},  // 15 100mgoal_c01
    {353, 570, 657, 736, 902, 1162, 840, 1039, 1100, 979},  // 16 100Ready1
    {354, 571, 658, 737, 903, 1163, 841, 1040, 1101, 980},  // 17 100StandUp
    {363, 573, 663, 753, 913, 1167, 857, 1043, 1105, 989},  // 18 110mjump01
    {364, 574, 664, 754, 914, 1168, 858, 1044, 1106, 990},  // 19 110mjump02
    {368, 575, 665, 755, 915, 1169, 859, 1045, 1107, 991},  // 20 110mjumpfail
    {385, 583, 680, 756, 916, 1170, 860, 1046, 1108, 992},  // 21 110mrun01
    {386, 584, 681, 757, 917, 1171, 861, 1047, 1109, 993},  // 22 110mrun02
    {399, 601, 705, 780, 927, 1181, 876, 1057, 1130, 997},  // 23 Jumpstart
    {398, 600, 704, 781, 926, 1180, 875, 1056, 1128, 996},  // 24 Jumprun
    {396, 603, 707, 778, 929, 1183, 878, 1059, 1132, 999},  // 25 Jumptakeoff
    {397, 598, 702, 783, 924, 1178, 873, 1054, 1127, 994},  // 26 Jumpairtoland
    {400, 602, 706, 779, 928, 1182, 877, 1058, 1131, 998},  // 27 Jumptakefail
    {401, 599, 703, 782, 925, 1179, 874, 1055, 1129, 995},  // 28 Jumpnotake
    {421, 635, 726, 784, 918, 1172, 851, 1048, 1110, 983},  // 29 JavelinBase
    {422, 636, 727, 785, 920, 1173, 853, 1049, 1111, 984},  // 30 JavelinStart
    {423, 637, 728, 786, 919, 1174, 852, 1050, 1112, 985},  // 31 JavelinRun
    {424, 638, 729, 787, 923, 1175, 856, 1051, 1113, 986},  // 32 JavelinToThrow
    {425, 639, 730, 788, 921, 1176, 854, 1052, 1114, 987},  // 33 JavelinThrow
    {426, 640, 731, 789, 922, 1177, 855, 1053, 1115, 988},  // 34 JavelinThrowSuccess01
    {407, 604, 666, 790, -1, -1, -1, -1, -1, -1},           // 35 Boxingbase
    {408, 605, 667, 791, -1, -1, -1, -1, -1, -1},           // 36 Boxingfrightright
    {409, 606, 668, 792, -1, -1, -1, -1, -1, -1},           // 37 Boxingfrightleft
    {410, 607, 669, 793, -1, -1, -1, -1, -1, -1},           // 38 BoxingfrightdefenseStart
    {411, 608, 670, 794, -1, -1, -1, -1, -1, -1},           // 39 BoxingfrightdefenseLoop
    {412, 609, 671, 795, -1, -1, -1, -1, -1, -1},           // 40 BoxingfrightdefenseEnd
    {413, 610, 672, 796, -1, -1, -1, -1, -1, -1},           // 41 Boxingfrightup
    {414, 611, 673, 797, -1, -1, -1, -1, -1, -1},           // 42 Boxinghit01
    {415, 612, 674, 798, -1, -1, -1, -1, -1, -1},           // 43 Boxinghit02
    {416, 613, 675, 799, -1, -1, -1, -1, -1, -1},           // 44 Boxinghit03
    {417, 614, 676, 800, -1, -1, -1, -1, -1, -1},           // 45 Boxingdown
    {418, 615, 677, 801, -1, -1, -1, -1, -1, -1},           // 46 Boxingup
    {419, 616, 678, 802, -1, -1, -1, -1, -1, -1},           // 47 Boxingmoveleft
    {420, 617, 679, 803, -1, -1, -1, -1, -1, -1},           // 48 Boxingmoveright
    {468, 641, 732, 822, 941, 1195, 879, -1, -1, -1},       // 49 ShootingBase
    {469, 642, 733, 821, 942, 1196, 880, -1, -1, -1},       // 50 ShootingShoot
    {370, 597, 689, 758, 930, 1184, 862, 1060, 1116, 1000}, // 51 Vaultbase
    {371, 587, 690, 759, 931, 1185, 863, 1061, 1117, 1001}, // 52 Vmstart
    {372, 588, 691, 760, 932, 1186, 864, 1062, 1118, 1002}, // 53 Vmrun01
    {373, 589, 692, 761, 933, 1187, 865, 1063, 1119, 1003}, // 54 Vmrun02
    {378, 594, 697, 766, 938, 1192, 870, 1068, 1124, 1008}, // 55 Vaultcycle01
    {379, 595, 698, 767, 939, 1193, 871, 1069, 1125, 1009}, // 56 Vaultcycle01_2
    {380, 596, 699, 768, 940, 1194, 872, 1070, 1126, 1010}, // 57 Vaultcycle01_3
    {374, 590, 693, 762, 934, 1188, 866, 1064, 1120, 1004}, // 58 Vaultcycle03
    {375, 591, 694, 763, 935, 1189, 867, 1065, 1121, 1005}, // 59 Vaultfall01
    {376, 592, 695, 764, 936, 1190, 868, 1066, 1122, 1006}, // 60 Vaultfall02
    {377, 593, 696, 765, 937, 1191, 869, 1067, 1123, 1007}, // 61 Vaultfall03
    {451, 472, 500, 527, -1, -1, -1, -1, -1, -1},           // 62 LiftingBase
    {453, 471, 499, 529, -1, -1, -1, -1, -1, -1},           // 63 LiftingPrepare
    {452, 473, 501, 528, -1, -1, -1, -1, -1, -1},           // 64 LiftingTwoStep
    {459, 479, 507, 533, -1, -1, -1, -1, -1, -1},           // 65 LiftingStand
    {460, 480, 508, 534, -1, -1, -1, -1, -1, -1},           // 66 LiftingStandToLeft
    {461, 481, 509, 535, -1, -1, -1, -1, -1, -1},           // 67 LiftingStandToRight
    {455, 475, 503, 530, -1, -1, -1, -1, -1, -1},           // 68 LiftingLeftToStand
    {457, 477, 505, 531, -1, -1, -1, -1, -1, -1},           // 69 LiftingRightToStand
    {454, 474, 502, 539, -1, -1, -1, -1, -1, -1},           // 70 LiftingLeftFail
    {456, 476, 504, 540, -1, -1, -1, -1, -1, -1},           // 71 LiftingRightFail
    {464, 484, 512, 537, -1, -1, -1, -1, -1, -1},           // 72 LiftingStandUpLoop
    {462, 482, 510, 536, -1, -1, -1, -1, -1, -1},           // 73 LiftingStandUpEnd
    {463, 483, 511, 538, -1, -1, -1, -1, -1, -1},           // 74 LiftingStandUpFail
    {467, 487, 515, 543, -1, -1, -1, -1, -1, -1},           // 75 LiftingUpLoop
    {465, 485, 513, 541, -1, -1, -1, -1, -1, -1},           // 76 LiftingUpend
    {466, 486, 514, 542, -1, -1, -1, -1, -1, -1},           // 77 LiftingUpFail
    {450, 470, 498, 526, -1, -1, -1, -1, -1, -1},           // 78 LiftingBarBellDown
    {458, 478, 506, 532, -1, -1, -1, -1, -1, -1},           // 79 LiftingSalute
    {428, 489, 517, 545, -1, -1, -1, -1, -1, -1},           // 80 PingpangBase
    {429, 490, 518, 546, -1, -1, -1, -1, -1, -1},           // 81 PingpangForehand
    {427, 488, 516, 544, -1, -1, -1, -1, -1, -1},           // 82 PingpangBackhand
    {430, 491, 519, 547, -1, -1, -1, -1, -1, -1},           // 83 PingpangMoveLeft
    {431, 492, 520, 548, -1, -1, -1, -1, -1, -1},           // 84 PingpangMoveRight
    {432, 493, 521, 549, -1, -1, -1, -1, -1, -1},           // 85 PingpangServe001
    {433, 494, 522, 550, -1, -1, -1, -1, -1, -1},           // 86 PingpangServe002
    {434, 495, 523, 551, -1, -1, -1, -1, -1, -1},           // 87 PingpangServe003
    {435, 496, 524, 552, -1, -1, -1, -1, -1, -1},           // 88 PingpangSpike
    {436, 497, 525, 553, -1, -1, -1, -1, -1, -1},           // 89 PingpangStandbyToServe001
    {437, 622, 713, 808, -1, -1, -1, -1, -1, -1},           // 90 FencingBase
    {438, 623, 714, 809, -1, -1, -1, -1, -1, -1},           // 91 FencingSalute
    {439, 624, 715, 810, -1, -1, -1, -1, -1, -1},           // 92 FencingSaluteBase
    {440, 625, 716, 811, -1, -1, -1, -1, -1, -1},           // 93 FencingStart
    {441, 626, 717, 812, -1, -1, -1, -1, -1, -1},           // 94 FencingMoveb
    {442, 627, 718, 813, -1, -1, -1, -1, -1, -1},           // 95 FencingMovef
    {443, 628, 719, 814, -1, -1, -1, -1, -1, -1},           // 96 FencingAttack01
    {444, 629, 720, 815, -1, -1, -1, -1, -1, -1},           // 97 FencingAttack02
    {445, 630, 721, 816, -1, -1, -1, -1, -1, -1},           // 98 FencingAttack03
    {446, 631, 722, 817, -1, -1, -1, -1, -1, -1},           // 99 FencingAttacked
    {447, 632, 723, 818, -1, -1, -1, -1, -1, -1},           // 100 FencingPick01
    {448, 633, 724, 819, -1, -1, -1, -1, -1, -1},           // 101 FencingPick02
    {449, 634, 725, 820, -1, -1, -1, -1, -1, -1},           // 102 FencingPickedBack
};
constexpr int32_t EVENT_0_ACTIONS[] = {7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, END};
constexpr int32_t EVENT_1_ACTIONS[] = {18, 19, 20, 21, 22, END};
constexpr int32_t EVENT_2_ACTIONS[] = {23, 24, 25, 26, 27, 28, END};
constexpr int32_t EVENT_3_ACTIONS[] = {29, 30, 31, 32, 33, 34, END};
constexpr int32_t EVENT_4_ACTIONS[] = {35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, END};
constexpr int32_t EVENT_5_ACTIONS[] = {49, 50, END};
constexpr int32_t EVENT_6_ACTIONS[] = {51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, END};
constexpr int32_t EVENT_7_ACTIONS[] = {62, 63, 64, 65, 66, 67, 68, 69, 70, 71,
                                       72, 73, 74, 75, 76, 77, 78, 79, END};
constexpr int32_t EVENT_8_ACTIONS[] = {80, 81, 82, 83, 84, 85, 86, 87, 88, 89, END};
constexpr int32_t EVENT_9_ACTIONS[] = {90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 101, 102, END};
constexpr const int32_t* EVENT_ACTION_LISTS[NR_EVENTS] = {
    EVENT_0_ACTIONS, EVENT_1_ACTIONS, EVENT_2_ACTIONS, EVENT_3_ACTIONS, EVENT_4_ACTIONS,
    EVENT_5_ACTIONS, EVENT_6_ACTIONS, EVENT_7_ACTIONS, EVENT_8_ACTIONS, EVENT_9_ACTIONS};
constexpr int32_t NO_COLUMNS[] = {END};
constexpr int32_t EVENT_4_EXTRAS[] = {1, 2, END};
constexpr int32_t EVENT_5_EXTRAS[] = {5, END};
constexpr int32_t EVENT_7_EXTRAS[] = {3, 4, END};
constexpr int32_t EVENT_8_EXTRAS[] = {6, END};
constexpr int32_t EVENT_9_EXTRAS[] = {0, END};
constexpr const int32_t* EVENT_EXTRA_LISTS[NR_EVENTS] = {
    NO_COLUMNS,     NO_COLUMNS, NO_COLUMNS,     NO_COLUMNS,     EVENT_4_EXTRAS,
    EVENT_5_EXTRAS, NO_COLUMNS, EVENT_7_EXTRAS, EVENT_8_EXTRAS, EVENT_9_EXTRAS};
constexpr CResourceRequest NO_REQUESTS[] = {{0, KIND_NONE}};
// Italy's hair is a model of its own with its own animation.
constexpr CResourceRequest CHARACTER_9_REQUESTS[] = {
    {950, KIND_MODEL}, {953, KIND_ANIMATION}, {0, KIND_NONE}};
constexpr const CResourceRequest* CHARACTER_REQUESTS[NR_CHARACTERS] = {
    NO_REQUESTS, NO_REQUESTS, NO_REQUESTS, NO_REQUESTS, NO_REQUESTS,
    NO_REQUESTS, NO_REQUESTS, NO_REQUESTS, NO_REQUESTS, CHARACTER_9_REQUESTS};
constexpr int32_t EFFECTS[NR_EFFECTS] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                         14, 16, 15, 17, 11, 18, 19, 20, 21, 22, 23, 27, 24, 25,
                                         26, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38};
constexpr int32_t EVENT_0_EFFECTS[] = {0, 11, 12, 13, 14, 16, END};
constexpr int32_t EVENT_1_EFFECTS[] = {0, 15, 18, END};
constexpr int32_t EVENT_2_EFFECTS[] = {0, 19, END};
constexpr int32_t EVENT_3_EFFECTS[] = {0, 25, 26, 27, 28, END};
constexpr int32_t EVENT_4_EFFECTS[] = {0, 29, 30, 31, 32, END};
constexpr int32_t EVENT_5_EFFECTS[] = {0, 37, 38, 39, END};
constexpr int32_t EVENT_6_EFFECTS[] = {0, 17, END};
constexpr int32_t EVENT_7_EFFECTS[] = {0, 1, 2, 3, 4, END};
constexpr int32_t EVENT_8_EFFECTS[] = {0, 33, 34, 35, 36, END};
constexpr int32_t EVENT_9_EFFECTS[] = {0, 20, 21, 22, 23, 24, END};
constexpr const int32_t* EVENT_EFFECT_LISTS[NR_EVENTS] = {
    EVENT_0_EFFECTS, EVENT_1_EFFECTS, EVENT_2_EFFECTS, EVENT_3_EFFECTS, EVENT_4_EFFECTS,
    EVENT_5_EFFECTS, EVENT_6_EFFECTS, EVENT_7_EFFECTS, EVENT_8_EFFECTS, EVENT_9_EFFECTS};

} // namespace

int32_t getCharacterResource(const int32_t column, const int32_t character) {
    return CHARACTER_RESOURCES[column][character];
}

int32_t getCharacterFace(const int32_t character) {
    return CHARACTER_FACES[character];
}

int32_t findCharacterSlot(const int32_t character) {
    for (uint32_t position = 0; position < NR_CHARACTERS; ++position) {
        if (CHARACTER_ORDER[position] == character) {
            return static_cast<int32_t>(position);
        }
    }
    return 0;
}

int32_t getCharacterModelResource(const int32_t event, const int32_t character) {
    const uint32_t column = event == 4 ? 2 : event == 5 ? 3 : event == 9 ? 4 : 0;
    return MODELS[character][column];
}

int32_t getActionAnimation(const int32_t character, const int32_t action) {
    if (action < 0 || static_cast<uint32_t>(action) >= NR_COMMON_ACTIONS + NR_EVENT_ACTIONS) {
        return -1;
    }
    if (static_cast<uint32_t>(action) < NR_COMMON_ACTIONS) {
        return COMMON_ACTIONS[action][character];
    }
    const int32_t* const row = EVENT_ACTIONS[action - static_cast<int32_t>(NR_COMMON_ACTIONS)];
    // A character of the first four positions has every action; the others use their own where
    // they have it and their alternative's otherwise.
    const int32_t position = findCharacterSlot(character);
    const int32_t slot =
        position >= 4 && row[position] >= 0 ? position : CHARACTER_ALTERNATIVES[character];
    return row[slot];
}

const int32_t* getEventActionList(const int32_t event) {
    return EVENT_ACTION_LISTS[event];
}

void collectAnimations(const int32_t event, const int32_t character, std::vector<int32_t>& list) {
    for (uint32_t action = 0; action < NR_COMMON_ACTIONS; ++action) {
        list.push_back(COMMON_ACTIONS[action][character]);
    }
    for (const int32_t* action = EVENT_ACTION_LISTS[event]; *action != END; ++action) {
        list.push_back(getActionAnimation(character, *action));
    }
}

const int32_t* getEventExtraList(const int32_t event) {
    return EVENT_EXTRA_LISTS[event];
}

void collectExtraResources(const int32_t event, const int32_t character,
                           std::vector<int32_t>& list) {
    for (const int32_t* column = EVENT_EXTRA_LISTS[event]; *column != END; ++column) {
        list.push_back(getCharacterResource(*column, character));
    }
}

const CResourceRequest* getCharacterRequestList(const int32_t character) {
    return CHARACTER_REQUESTS[character];
}

int32_t getEffectResource(const int32_t effect) {
    return EFFECTS[effect];
}

void collectEffects(const int32_t event, std::vector<int32_t>& list) {
    for (const int32_t* effect = EVENT_EFFECT_LISTS[event]; *effect != END; ++effect) {
        list.push_back(*effect);
    }
}
