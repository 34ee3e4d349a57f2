#!/usr/bin/env bash
# Writes the factory settings file data/desetup.bin: 28 records of 100 bytes, space-padded.
set -euo pipefail
out="${1:-$(dirname "$0")/../data/desetup.bin}"
records=(
    "Color_Choice = 16744576" "COM_Port =" "Modem_Name =" "Call_Id_AT_Command =" ""
    "PopUpWindow = True" "30" "CallerIdMinimize = True" "DateFormat = Long Date" "CallForwarding = False"
    "" "72#" "73#" "DateValue = Caller Id Date" "CallSendToPagerEnable = False"
    "" "" "" "BlockPrivateCalls = False" "*77"
    "*87" "BlockTeleMarketersEnable = False" "CallSendToPagerStatus = False" "CallForwardStatus = False"
    "BlockPrivateCallsStatus = False" "BlockTeleMarketersStatus= False" "BlockSelectedCallsEnable = False"
    "Talking_Call = True"
)
: >"$out"
for r in "${records[@]}"; do printf '%-100s' "$r" >>"$out"; done
echo "$out: $(stat -c %s "$out") bytes"
