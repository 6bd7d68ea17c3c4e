#include "callengine/FactoryDataSetPrompts.h"

namespace {

constexpr FactoryPrompt kPrompts[] = {
    // Message forwarding call: 1 hears the messages, 2 or 9 declines.
    {"ForwardMessage",
     "You have new voice mail. To listen to your messages, press 1. "
     "To end this call, press 2 or 9."},
    // Access code entry: digits, # checks, * clears.
    {"InvalidAccessCode",
     "That access code is not valid. Please enter your access code again, "
     "followed by the pound key. Press star to start again."},
    // After each message: 1 2 3 5 8 9 *.
    {"MailBoxMessageMenu",
     "To replay this message, press 1. For the next message, press 2. "
     "To move it to another mailbox, press 3. To delete it, press 5. "
     "For mailbox set-up, press 8. To end this call, press 9. "
     "To open another mailbox, press star."},
    // No message is left: only set-up, goodbye and another mailbox do anything.
    {"NoMoreMessagesMenu",
     "There are no more messages. For mailbox set-up, press 8. "
     "To end this call, press 9. To open another mailbox, press star."},
    // Set-up: 1 greeting, 2 record greeting (any key ends it), 9, *.
    {"MailBoxSetup",
     "Mailbox set-up. To hear your greeting, press 1. "
     "To record a new greeting after the tone, press 2, and press any key when you have "
     "finished. To end this call, press 9. To open another mailbox, press star."},
    {"EnterAccessCode",
     "Please enter your access code, followed by the pound key. Press star to start again."},
    // Before the record tone: # ends the recording and offers the menu.
    {"LeaveMessage",
     "Please leave your message after the tone. When you have finished, press the pound key "
     "for more options, or simply hang up."},
    // Confirmed transfer: 1 accepts, 2 rejects.
    {"TransferQuery", "You have a call. To accept the call, press 1. To reject it, press 2."},
    {"InvalidOption", "That is not a valid option. Please try again."},
    {"InvalidNumber", "The number you entered is not valid. Please try again."},
    {"Goodbye", "Thank you for calling. Goodbye."},
    {"0", "zero"},
    {"1", "one"},
    {"2", "two"},
    {"3", "three"},
    {"4", "four"},
    {"5", "five"},
    {"6", "six"},
    {"7", "seven"},
    {"8", "eight"},
    {"9", "nine"},
    {"10", "ten"},
    {"11", "eleven"},
    {"12", "twelve"},
    {"13", "thirteen"},
    {"14", "fourteen"},
    {"15", "fifteen"},
    {"16", "sixteen"},
    {"17", "seventeen"},
    {"18", "eighteen"},
    {"19", "nineteen"},
    {"20", "twenty"},
    {"30", "thirty"},
    {"40", "forty"},
    {"50", "fifty"},
    {"60", "sixty"},
    {"70", "seventy"},
    {"80", "eighty"},
    {"90", "ninety"},
    {"100", "hundred"},
    {"1000", "thousand"},
    {"Million", "million"},
    {"Dollars", "dollars"},
    {"Cents", "cents"},
    {"Yesterday", "yesterday"},
    {"Today", "today"},
    {"AM", "A M"},
    {"PM", "P M"},
    // After a message was left: 1 records again, 2 plays it, 9 saves and ends.
    {"MailBoxMenu",
     "To record your message again, press 1. To hear your message, press 2. "
     "To save your message and end the call, press 9, or simply hang up."},
    {kRecordToneName, ""},
};

constexpr std::string_view kGreeting =
    "Hello, and thank you for calling. Please leave your message after the tone. When you "
    "have finished, press the pound key for more options, or simply hang up.";

// Answers, waits a second after the greeting and records into the mailbox
// "Default" without its greeting (this one says it all). Keys do nothing.
constexpr std::string_view kIni =
    "[ivr]\n"
    "type=menu\n"
    "answer=true\n"
    "wait=1\n"
    "repeat=0\n"
    "press1=noresponse\npress2=noresponse\npress3=noresponse\npress4=noresponse\n"
    "press5=noresponse\npress6=noresponse\npress7=noresponse\npress8=noresponse\n"
    "press9=noresponse\npress0=noresponse\npress*=noresponse\npress#=noresponse\n"
    "playcomplete=mailbox\n"
    "playcompletembx=Default\n"
    "playcompletembxmessage=false\n"
    "playtts=false\n"
    "playttsvoice=0\n"
    "playex=false\n"
    "playexfile=\n"
    "readnumber=false\n"
    "readnumbervar=\n"
    "readnumbertype=0\n"
    "log=false\n"
    "logname=\n"
    "logline=%date%,%time%,%linename%,%cid%\n"
    "announcecall=false\n"
    "announceplay=\n"
    "run=false\n"
    "runasplugin=false\n"
    "runcount=0\n"
    "runcompleteskip=false\n"
    "varname=number\n"
    "maxdigits=4\n"
    "varlimit=false\n"
    "varlimitmin=0\n"
    "varlimitmax=10000\n"
    "varlimitlistenabled=false\n"
    "varlimitlistexclude=false\n"
    "varlimitlistisfile=false\n"
    "varlimitlistfile=\n"
    "varlimitlist=\n"
    "\n"
    "[datetime]\n"
    "enabled=false\n"
    "commence=\n"
    "expire=\n"
    "todstart=00:00:00\n"
    "todend=24:00:00\n"
    "weekdays=127\n"
    "failmode=0\n"
    "failogm=\n"
    "\n"
    "[cid]\n"
    "enabled=false\n"
    "idtype=0\n"
    "cid=\n"
    "cidscanmode=0\n"
    "mode=0\n"
    "ogm=\n";

}  // namespace

std::span<const FactoryPrompt> FactoryPrompts() { return kPrompts; }

std::string_view DefaultAnsweringMessageText() { return kGreeting; }

std::string_view DefaultAnsweringMessageIni() { return kIni; }
