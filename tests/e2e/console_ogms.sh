#!/usr/bin/env bash
# The OGM list in headless Chromium: both orders, New handing the OGM to the
# editor, Rename (refused onto an existing OGM), Delete, Play and the report
# with its download; a long OGM name answering keeps the header to the
# screen's width. Screenshots go to console-screenshots/ogms-* in the
# build folder.
source "$(dirname "$(realpath "$0")")/console_support.sh"

# A small tree: the answering OGM leads to Sales and Help, Sales to
# "Zed Info"; "Alpha Unused" and the number entry are reached by nothing.
make_data
tone_ogm "Default Answering Message" 0.5 440 press1=go press1go=Sales press2=go press2go=Help \
  playcomplete=mailbox playcompletembx=Default
tone_ogm "Sales" 0.3 660 press1=go press1go="Zed Info" wait=0
printf '[ivr]\n' >"$data/OGMs/Help.ini"
printf '[ivr]\n' >"$data/OGMs/Zed Info.ini"
printf '[ivr]\nanswer=false\n' >"$data/OGMs/Alpha Unused.ini"
printf '[ivr]\ntype=EnterNumber\n' >"$data/OGMs/Number Entry.ini"
printf 'Script <b>{bold}</b> C:\\path\r\nsecond line' >"$data/OGMs/Alpha Unused.txt"
console_run ogms "the OGM list works as a user expects"
summary console_ogms engine-err.txt
