#include "parameters/parameters_state.h"

char cLastCsvPath[260] = {};
char cLastValPath[260] = {};
char cLastDatPath[260] = {};
char cLastParPath[260] = {};

char sPassword[50] = {};
int passForSavePar_already_entered = 0;

int hTabAdc = 0, hTabSens = 0, hTabComm = 0, hTabMeas = 0, hTabScan = 0, hTabPeriph = 0,
    hTabSpecFun = 0, hTabCor = 0, hTabOther = 0, hTabLog = 0, hTabBlock = 0;

std::vector<parameters::ParameterControl> Parameter;
int NumberOfParControls = 0;
std::vector<bool> bParAnswered;

parameters::ParBlock bParBlock = {};
std::vector<parameters::ParBlockItem> ParBlockList;
