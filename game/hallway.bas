room = 1
' The player carries the pen and the hot coffee from the start.
has_pen = 1
has_coffee = 1
DIM SHARED deadline AS DOUBLE, time_limit AS SINGLE
DIM exits(1 TO 12) AS STRING

SCREEN 12
COLOR 7, 0
CLS

' Ten minutes to get out.
limit_minutes = 10
limit_seconds = 0
time_limit = limit_minutes * 60 + limit_seconds

' The exits of every room; the compass is drawn from them.
exits(1) = "EAST"
exits(2) = "NORTH, EAST, OR WEST"
exits(3) = "NORTH OR SOUTH"
exits(4) = "NORTH OR SOUTH"
exits(5) = "EAST, WEST, OR SOUTH"
exits(6) = "EAST"
exits(7) = "EAST OR WEST"
exits(8) = "WEST OR SOUTH"
exits(9) = "NORTH OR SOUTH"
exits(10) = "NORTH OR SOUTH"
exits(11) = "NORTH OR WEST"
exits(12) = "EAST OR WEST"

PRINT ""
PRINT ""
PRINT "You are sitting at a desk in the middle of class when the teacher leaves for"
PRINT "a moment. Then as all the other students begin to leave one by one and you"
PRINT "are left sitting here like a chump. Well, time for you to make a break for it."
PRINT ""

DO: LOOP UNTIL INKEY$ <> ""
deadline = TIMER(.001) + time_limit

DO
    CLS
    PRINT
    PRINT
    PRINT "                                                                          "
    PRINT "                                                                          "
    PRINT "                                                                          "
    PRINT "                              Hallway Breakout                            "
    PRINT "                                                                          "
    PRINT "                                 Written by                               "
    PRINT "                                                                          "
    PRINT "                                 K.L. Vantor"
    PRINT ""
    PRINT "                             A school adventure"
    PRINT ""
    PRINT SPACE$(38);
    IF INSTR(exits(room), "NORTH") THEN PRINT "N" ELSE PRINT
    PRINT "*---------------------------------* ";
    IF INSTR(exits(room), "WEST") THEN PRINT "W"; ELSE PRINT " ";
    PRINT " + ";
    IF INSTR(exits(room), "EAST") THEN PRINT "E"; ELSE PRINT " ";
    PRINT " *------------------------------------*"
    PRINT SPACE$(38);
    IF INSTR(exits(room), "SOUTH") THEN PRINT "S" ELSE PRINT
    PRINT
    PRINT "If you are stuck just type HELP."
    PRINT
    GOSUB describe_room
    GOSUB handle_command
LOOP

describe_room:
IF room = 1 THEN GOSUB room_1
IF room = 2 THEN GOSUB room_2
IF room = 3 THEN GOSUB room_3
IF room = 4 THEN GOSUB room_4
IF room = 5 THEN GOSUB room_5
IF room = 6 THEN GOSUB room_6
IF room = 7 THEN GOSUB room_7
IF room = 8 THEN GOSUB room_8
IF room = 9 THEN GOSUB room_9
IF room = 10 THEN GOSUB room_10
IF room = 11 THEN GOSUB room_11
IF room = 12 THEN GOSUB room_12
RETURN

handle_command:
PRINT "> ";
command = read_command
command = LTRIM$(RTRIM$(UCASE$(command)))
IF command = "END" OR command = "QUIT" OR command = "EXIT" OR command = "Q" THEN
    END
END IF
IF command = "HELP" OR command = "H" THEN
    CLS
    PRINT "HERE ARE SOME BASIC COMMANDS THAT CAN BE USED IN THE GAME..."
    PRINT
    PRINT "NORTH, EAST ,SOUTH, AND WEST - MOVE TO AN AVAILABLE LOCATION"
    PRINT "EXAMINE (OBJECT)             - EXAMINE AN OBJECT"
    PRINT "USE (OBJECT)                 - USE AN OBJECT"
    PRINT "TAKE (OBJECT)                - TAKE OR MOVE AN OBJECT"
    PRINT "INVENTORY                    - VIEW YOUR INVENTORY"
    PRINT "DRINK                        - DRINK BEER"
    PRINT "UNLOCK                       - UNLOCK DOOR"
    PRINT "HELP                         - VIEW THIS SCREEN"
    PRINT "END                          - END GAME"
    PRINT
    PRINT "PRESS ANY KEY...": SLEEP
    DO: LOOP UNTIL INKEY$ = ""
    DO: LOOP UNTIL INKEY$ <> ""
END IF
IF command = "INVENTORY" OR command = "INV" OR command = "ITEMS" OR command = "I" THEN
    CLS
    PRINT "INVENTORY..."
    PRINT
    IF has_pen = 1 THEN PRINT "Pen"
    IF has_coffee = 1 THEN PRINT "Hot Coffee"
    PRINT
    PRINT "PRESS ANY KEY..."
    DO: LOOP UNTIL INKEY$ = ""
    DO: LOOP UNTIL INKEY$ <> ""
END IF
IF command = "GO NORTH" OR command = "NORTH" OR command = "N" THEN
    IF room = 2 THEN room = 3: GOTO command_done
    IF room = 3 THEN room = 4: GOTO command_done
    IF room = 4 THEN room = 5: GOTO command_done
    IF room = 11 THEN room = 10: GOTO command_done
    IF room = 10 THEN room = 9: GOTO command_done
    IF room = 9 THEN room = 8: GOTO command_done
END IF
IF command = "GO EAST" OR command = "EAST" OR command = "E" THEN
    IF room = 6 THEN room = 5: GOTO command_done
    IF room = 5 THEN room = 7: GOTO command_done
    IF room = 7 THEN room = 8: GOTO command_done
    IF room = 1 THEN room = 2: GOTO command_done
    IF room = 2 THEN room = 12: GOTO command_done
    IF room = 12 THEN room = 11: GOTO command_done
END IF
IF command = "GO SOUTH" OR command = "SOUTH" OR command = "S" THEN
    IF room = 5 THEN room = 4: GOTO command_done
    IF room = 4 THEN room = 3: GOTO command_done
    IF room = 3 THEN room = 2: GOTO command_done
    IF room = 8 THEN room = 9: GOTO command_done
    IF room = 9 THEN room = 10: GOTO command_done
    IF room = 10 THEN room = 11: GOTO command_done
END IF
IF command = "GO WEST" OR command = "WEST" OR command = "W" THEN
    IF room = 8 THEN room = 7: GOTO command_done
    IF room = 7 THEN room = 5: GOTO command_done
    IF room = 5 THEN room = 6: GOTO command_done
    IF room = 11 THEN room = 12: GOTO command_done
    IF room = 12 THEN room = 2: GOTO command_done
    IF room = 2 THEN room = 1: GOTO command_done
END IF

IF command = "TALK TO BUCK" AND room = 10 THEN
    CLS
    PRINT "What do you want, punk?"
    DO: LOOP UNTIL INKEY$ = ""
    DO: LOOP UNTIL INKEY$ <> ""
END IF
IF command = "TALK TO TEACHER" AND room = 5 THEN
    CLS
    PRINT "Hey, punk, shouldn't you be in class?"
    DO: LOOP UNTIL INKEY$ = ""
    DO: LOOP UNTIL INKEY$ <> ""
END IF
IF command = "EXAMINE BUCK" AND room = 10 THEN
    CLS
    PRINT "He's an average height punk, wearing a jean vest without the arms,"
    PRINT "and a torn pair of pants. He seems as if he hasn't bathed in weeks."
    DO: LOOP UNTIL INKEY$ = ""
    DO: LOOP UNTIL INKEY$ <> ""
END IF
IF command = "EXAMINE HOT COFFEE" AND has_coffee = 1 THEN
    CLS
    PRINT "A freshly brewed cup of coffee, the aroma brings a tear to your eye."
    DO: LOOP UNTIL INKEY$ = ""
    DO: LOOP UNTIL INKEY$ <> ""
END IF
IF command = "EXAMINE PEN" AND has_pen = 1 THEN
    CLS
    PRINT "A standard blue ball point pen."
    DO: LOOP UNTIL INKEY$ = ""
    DO: LOOP UNTIL INKEY$ <> ""
END IF
IF command = "USE PEN" AND has_pen = 1 AND room = 10 THEN
    CLS: GOTO pen_ending
END IF

' The teacher in room 5 is the only one who takes coffee.


IF command = "USE HOT COFFEE" AND has_coffee = 1 AND room = 5 THEN
    CLS: GOTO coffee_ending
END IF






command_done:
RETURN

room_1:
PRINT "You are standiung at your desk, wondering just where the hell"
PRINT "everyone went? A strong smell of bleach fills the air."
RETURN

room_2:
PRINT "Standing in the large hallway. Everyone is gone, not a soul in sight,"
PRINT "just silence."
RETURN

room_3:
PRINT "Every step you take in the abandoned hallway adds on the fear. Your"
PRINT "footsteps echo through the confines of the hall. You think it maybe"
PRINT "taco Tuesday?"
RETURN

room_4:
PRINT "The hammering sound of the clock hanging on the wall, ticking away."
PRINT "Though the hands don't seem to be moving at all."
RETURN

room_5:
PRINT "Standing before like a drunk old homeless man, is Mr. Walter. He looks"
PRINT "completely out of it. Probably just a late night."
RETURN

room_6:
PRINT "An exit, a way out of this school, and it will allow you to head"
PRINT "home. But alas it's locked."
RETURN

room_7:
PRINT "Is it lunch? Has someone called in a bomb threat again? This is too"
PRINT "quiet for school."
RETURN

room_8:
PRINT "The usual wall of posters trying to tell kids to not smoke or to"
PRINT "drink are covering the walls. But alas they have no effect."
RETURN

room_9:
PRINT "In the distance you see a large slab of human flesh. Blocking half"
PRINT "the hallway...great."
RETURN

room_10:
PRINT "The large twenty year old student, who failed more times than he"
PRINT "can remember himself, stands before you. Going by the name of Buck."
RETURN

room_11:
PRINT "You see a closed classroom, with the sign nailed to it reading"
PRINT "-No Hot Drinks in Hallway.-"
RETURN

room_12:
PRINT "You are standing in an empty hallway. Not a sound can be heard nor a"
PRINT "whisper muttered."
RETURN


coffee_ending:
COLOR 2, 0
CLS
PRINT "You throw the hot coffee on the teacher's crotch. He falls"
PRINT "to his knee's and cries in pain. With him down on the ground"
PRINT "you make your way out and head for home. Where your video"
PRINT "games await for you...sigh."
PRINT
DO: LOOP UNTIL INKEY$ <> ""
END

pen_ending:
COLOR 2, 0
CLS
PRINT "Before you can think it over, you plunge the pen into Buck's"
PRINT "leg. He let's out a cry in pain and falls to the ground."
PRINT "Everyone runs out to see that Buck has been stabbed and you"
PRINT "sir are kicked out of school...punk."
PRINT
DO: LOOP UNTIL INKEY$ <> ""
END

FUNCTION read_command$
prompt_column = POS(0)
prompt_row = CSRLIN
DIM typed AS STRING, remaining AS _FLOAT
PCOPY 0, 1

DO
    key_code = _KEYHIT
    scratch$ = INKEY$
LOOP UNTIL key_code = 0 AND INKEY$ = ""

DO
    _LIMIT 30
    PCOPY 1, 0
    LOCATE prompt_row, prompt_column: PRINT typed

    key_code = _KEYHIT
    SELECT CASE key_code
        CASE 8
            typed = LEFT$(typed, LEN(typed) - 1)
        CASE 65 TO 90, 97 TO 122, 32
            typed = UCASE$(typed + CHR$(key_code))
    END SELECT
    IF deadline - TIMER(.001) > time_limit + 1 THEN deadline = deadline - 86400
    remaining = deadline - TIMER(.001)
    clock_minutes = remaining \ 60
    clock_seconds = remaining - clock_minutes * 60
    LOCATE 2, 32: PRINT USING " ###:##.###"; clock_minutes; clock_seconds
    IF remaining <= 0 THEN GOTO timeout_ending
    _DISPLAY

LOOP UNTIL key_code = 13
read_command = typed
_AUTODISPLAY
EXIT FUNCTION

timeout_ending:
CLS
PRINT "You wait around in class until the teacher comes in and is shocked"
PRINT "to see you still waiting for class. You are told to leave and you"
PRINT "hear under the teachers -Punk kid.- So you go home...a loser..."
_DISPLAY
END
END FUNCTION
