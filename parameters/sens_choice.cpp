// Fills the sensor choice from the sensor-list file when a device connects.
#include "parameters/sens_choice.h"

#include <string>

#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "parameters/parameters_state.h"
#include "parameters/sens_list.h"
#include "ui/ui.h"

int PU_LoadSensList() {
    if (hTabSens <= 0)
        return -1;
    ClearListCtrl(hTabSens, TAB_SENS_UT_SENS);
    parameters::SensList list;
    const int type = stParam.deviceType;
    if (parameters::PU_LoadSensList(parameters::SensList_Path(type), type, &list) != 0) {
        MessagePopup("ERROR", parameters::kSensListFailure);
        return -1;
    }
    for (const parameters::Sensor& s : list.sensors)
        InsertListItem(hTabSens, TAB_SENS_UT_SENS, -1, parameters::SensList_EntryText(s).c_str(),
                       s.number);
    return 0;
}
