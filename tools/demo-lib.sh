# Sourced by the screenshot scripts: a demo folder with the program, its shipped files and a
# settings file for the simulated modem on COM1, and writers of settings and call records.

# record FILE N TEXT: settings record N (100 bytes, space-padded).
record() { printf '%-100s' "$3" | dd of="$1" bs=100 seek=$(($2 - 1)) conv=notrunc status=none; }

# call NUMBER DATE TIME NAME PHONE RINGS: one 80-byte call record on standard output.
call() {
    local r="CL=$1DT=$2TM=$3NM=$4NB=$5RG=$6END"
    printf '%s%s' "$r" "$(printf '%*s' $((80 - ${#r})) '' | tr ' ' .)"
}

# demo_folder BUILD DEMO: DEMO made anew from the build's program and shipped files.
demo_folder() {
    rm -rf "$2"; mkdir -p "$2"
    cp -f "$1/bin/ringlark" "$1/bin/desetup.bin" "$1/bin/ringlark.ico" "$1/bin/openport.ico" \
          "$1/bin/RINGLARK.HLP" "$2/"
    cp "$2/desetup.bin" "$2/acsetup.bin"
    record "$2/acsetup.bin" 2 "COM_Port = 1"
    record "$2/acsetup.bin" 3 "Modem_Name = Simulated Voice Modem"
    record "$2/acsetup.bin" 4 "Call_Id_AT_Command = AT+VCID=1"
}
