// The alarm's clockwork inside a note window: evaluation, ringing, blinking, sound repetition and
// the acknowledging click.
#include "note/frmNote.h"

#include "alarm/AlarmRules.h"

bool frmNote::AplicaClick()
{
    return false;
}

void frmNote::tmrEvent_Timer()
{
}
