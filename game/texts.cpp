#include "game/texts.h"

#include <cstddef>
#include <iterator>

namespace {

template <size_t N> constexpr TextBlock block(const char* const (&lines)[N]) {
    return {lines, static_cast<int32_t>(N)};
}

// clang-format off

// --- The introduction and the banner -------------------------------------------------------------
constexpr const char* IntroductionLines[] = {
    "The town lies silent in the heart of the Midwest. All of its people are gone.",
    "Cars wait in driveways and laundry hangs on the lines, but not a soul is left.",
    "You are the last resident of these empty streets. You must find your way out",
    "before the silence seeps into your head and takes your mind with it.",
};

// Two small houses at the edges, the title and "Written by" between them, then the author. Raw
// literals, so that the drawings read here as they show on the screen.
constexpr const char* BannerLines[] = {
    R"(      /\                                                                 /\)",
    R"(   __/  \__                                                           __/  \__)",
    R"(  /        \                                                         /        \)",
    R"( /__________\                Empty Streets                          /__________\)",
    R"( |[]__||__[]|                                                       |[]__||__[]|)",
    R"(=|=|=|  |                        Written by                        =|=|=|  |)",
    R"( | | |  |                                                           | | |  |)",
    R"(                                 Q.X. Vantreck)",
};

// The command names are padded so that every dash stands in column 30. The screen names USE and
// UNLOCK although no command implements them.
constexpr const char* HelpLines[] = {
    "HERE ARE SOME BASIC COMMANDS THAT CAN BE USED IN THE GAME...",
    "",
    "LOOK                         - CHECK FOR AVAILABLE EXITS",
    "NORTH, EAST ,SOUTH, AND WEST - MOVE TO AN AVAILABLE LOCATION",
    "EXAMINE (OBJECT)             - EXAMINE AN OBJECT",
    "USE (OBJECT)                 - USE AN OBJECT",
    "READ (OBJECT)                - READ AN OBJECT",
    "UNLOCK (OBJECT)              - UNLOCK AN OBJECT",
    "TAKE (OBJECT)                - TAKE OR MOVE AN OBJECT",
    "TALK                         - TALK TO SOMEONE",
    "INVENTORY                    - VIEW YOUR INVENTORY",
    "HELP                         - VIEW THIS SCREEN",
    "END                          - END GAME",
    "",
    TEXT_PRESS_ANY_KEY,
};

// --- The endings ---------------------------------------------------------------------------------
constexpr const char* WinningLines[] = {
    "\"Congratulations,\" says the man in the suit. \"You have now passed the test.\"",
    "\"The town, the school, the dummy: all of it was built to push your mind to its",
    "limit, and you held firm. The doctor and I agree: the experiment is a success.\"",
    "The doctor nods and closes the clipboard.",
};

constexpr const char* CreditsLines[] = {
    "You have survived a most unusual experiment of the mind, and kept your sanity.",
    "Somewhere, someone is already preparing your next task. Where it leads, who knows?",
    "It may be a quiet town, a crowded city, or some place you have never imagined.",
};

constexpr const char* LosingLines[] = {
    "The light drains from the sky and the streets grow longer around you.",
    "Your time is up. You did not find the way out, and now there's none.",
    "You will walk these silent streets forever, one more of the lost souls",
    "who once believed they could still escape.",
};

// --- Answers to the object commands --------------------------------------------------------------
constexpr const char* ExamineCarLines[] = {
    "It is a small, foreign-made car with a dented bumper. The doors are locked.",
    "The seats are empty.",
};

constexpr const char* ExaminePlatesLines[] = {
    "The food is still piping hot.",
};

constexpr const char* EatFoodLines[] = {
    "It would be impolite to eat the food without asking. Besides, the",
    "cook might turn up.",
};

constexpr const char* ExamineLockersLines[] = {
    "A long row of lockers, freshly painted bright blue. The paint still smells.",
    "What might be hidden behind the doors: old books, gym bags, or something worse?",
};

constexpr const char* OpenLockersLines[] = {
    "No luck at all. Every locker is locked tight.",
};

constexpr const char* ExaminePosterLines[] = {
    "The poster is covered in strange designs: rockets in outer space, grinding machines,",
    "and in one corner a tiny grinning skull.",
};

constexpr const char* ExamineRecorderLines[] = {
    "It is an old wood-paneled tape recorder, just like the one your father used to own.",
    "He would play it every Sunday evening.",
};

constexpr const char* TakeRecorderLines[] = {
    "You tug at it, but it seems bolted to the desk.",
};

constexpr const char* ExamineNotebooksLines[] = {
    "The notebooks are old and weathered, their covers soft and split from years of use.",
};

constexpr const char* ReadNotebooksLines[] = {
    "You leaf through them. Each page holds nothing but gibberish.",
};

constexpr const char* ExamineBillboardLines[] = {
    "The billboard depicts a smiling couple standing in front of a brand new home.",
    "The colors have faded and the slogan has peeled away for good.",
};

// --- Location descriptions -----------------------------------------------------------------------
// 1: a house the player does not remember, and the feeling of having stood there before.
constexpr const char* Location1[] = {
    "You are standing in front of a white house you don't remember.",
    "The porch light is on, the curtains are drawn, and the street is",
    "silent. Still, you cannot shake the feeling that you have stood",
    "here before.",
};

// 2: watched by the owners of the houses.
constexpr const char* Location2[] = {
    "Neat lawns and closed doors line the streets on either side of you.",
    "Behind each window you can sense the owners of the houses watching",
    "you go.",
};

// 3: a perfect, costly neighborhood.
constexpr const char* Location3[] = {
    "This is a perfect neighborhood: trimmed hedges, fresh paint, gleaming",
    "brass numbers on every door and two new cars in each driveway. It all",
    "looks costly.",
};

// 4: empty streets, garbage nobody collected.
constexpr const char* Location4[] = {
    "The streets are empty. Trash cans wait at the curb, never emptied, and",
    "bags of garbage have split open in the heat. Nobody came to collect.",
};

// 5: echoing steps, children laughing far away.
constexpr const char* Location5[] = {
    "Your footsteps echo off the house fronts, too loud in the morning air.",
    "Somewhere far away, children are laughing, but when you stop to listen,",
    "the laughter stops as if it hears you.",
};

// 6: richly decorated houses from another time.
constexpr const char* Location6[] = {
    "The houses here are older and richly decorated: carved porches, stained",
    "glass and iron railings, from a time long before your birth.",
};

// 7: distant music: maybe not alone.
constexpr const char* Location7[] = {
    "Faint music drifts down the street from somewhere ahead. Your heart leaps:",
    "where there is music there are people. Maybe you are not alone after all.",
};

// 8: a car half washed in a driveway, its washer gone.
constexpr const char* Location8[] = {
    "A small car sits in a driveway, half washed. Suds are still sliding down",
    "the driver's door, a hose lies running on the concrete and a sponge sits",
    "in a bucket. The washer's gone.",
};

// 9: the fear of being trapped alone.
constexpr const char* Location9[] = {
    "The road bends, and every turn looks like the last. A cold thought grips",
    "you: what if there is no way out and you are trapped alone?",
};

// 10: talking to oneself.
constexpr const char* Location10[] = {
    "\"Somebody must be home,\" you say aloud, just to hear a voice. You go on",
    "talking to yourself as you walk, and you do not like how natural it sounds.",
};

// 11: a grill still smoking, plates of food set out.
constexpr const char* Location11[] = {
    "The smell of meat on a grill drifts over a back yard. On a picnic table,",
    "plates of food have been set out for a party: burgers, corn and potato",
    "salad. Smoke still rises from the grill, but nobody is tending to it.",
};

// 12: madness setting in: the last one left?.
constexpr const char* Location12[] = {
    "You catch yourself laughing at nothing. How long have you walked these streets?",
    "What if everyone else is gone for good and you are the last person left on earth?",
};

// 13: rows of identical houses.
constexpr const char* Location13[] = {
    "Rows upon rows of identical houses stretch away: same door, same roof, same windows.",
};

// 14: sliding into madness, being watched.
constexpr const char* Location14[] = {
    "The houses seem to lean in closer whenever you are not looking at them. You",
    "spin around. Nothing. Yet something watches you.",
};

// 15: laughter and music, nobody in sight.
constexpr const char* Location15[] = {
    "Laughter and music drift in from every side at once, but nobody is in sight.",
};

// 16: a lost world, fear and paranoia.
constexpr const char* Location16[] = {
    "This is a lost world, a town left behind by time itself. Every shadow makes",
    "you flinch, and every silence seems to be a held breath.",
};

// 17: new houses, boarded up.
constexpr const char* Location17[] = {
    "A row of brand new houses stands here, and each and every one is boarded up.",
    "Plywood covers the windows and the doors; the paint is not yet dry. Nobody",
    "ever came home.",
};

// 18: the middle school: stone sign, steel doors.
constexpr const char* Location18[] = {
    "A low brick building sits back from the road behind a wide, mown lawn. A",
    "stone sign on the grass reads ELM RIDGE MIDDLE SCHOOL in carved letters.",
    "Beyond it, a pair of heavy steel doors stand open as if someone expected",
    "you. The corridors inside are silent.",
};

// 19: a hallway lined with lockers.
constexpr const char* Location19[] = {
    "You are in a long school hallway lined on both sides with metal lockers.",
    "It is quiet.",
};

// 20: the dead end of the hallway.
constexpr const char* Location20[] = {
    "The hallway ends at a bare wall holding a fire extinguisher and a clock.",
    "Its hands have stopped at ten past nine.",
};

// 21: footsteps and chatter in empty hallways.
constexpr const char* Location21[] = {
    "The hallways are empty, but you hear footsteps and chatter around a corner.",
    "Each time you reach the corner, the voices are already one corner further.",
};

// 22: a hallway of classroom doors.
constexpr const char* Location22[] = {
    "Classroom doors line the hallway, each one with a window of wired glass.",
    "Every room you look into stands empty.",
};

// 23: the dance poster, and whispers behind a door.
constexpr const char* Location23[] = {
    "A poster for the spring dance is taped to the wall, next to a door left ajar.",
    "Behind it, soft voices whisper. You hold your breath.",
};

// 24: a tape recorder playing a lesson to an empty room.
constexpr const char* Location24[] = {
    "In this classroom, a tape recorder on the teacher's desk is playing a lecture.",
    "A calm, dry voice reads out old dates and names to rows of empty desks.",
};

// 25: notebooks on the floor, flickering lights.
constexpr const char* Location25[] = {
    "Notebooks lie scattered upon the floor as if dropped in a hurry. Above, the",
    "lights flicker and whine.",
};

// 26: the open doors of the gym.
constexpr const char* Location26[] = {
    "The double doors of the gym are propped open. Inside, the floor gleams.",
    "A smell of varnish and old sweat drifts out.",
};

// 27: the gym.
constexpr const char* Location27[] = {
    "The gym is vast and bare. A lone basketball rolls slowly over the center court.",
};

// 28: the boys' locker room, showers that stop.
constexpr const char* Location28[] = {
    "You stand in the boys' locker room. The showers are running, and steam fills",
    "the air. Then, as you step closer, every tap stops abruptly.",
};

// 29: the way out of the school.
constexpr const char* Location29[] = {
    "A fire door at the end of the hall is wedged open with a broken chair.",
    "Daylight spills in across the floor. This must be the way out of school,",
    "if you dare to go through.",
};

// 30: traffic noise and glaring sun.
constexpr const char* Location30[] = {
    "You step out into glaring sunlight. You can hear traffic, heavy and close by,",
    "yet no car ever passes by you.",
};

// 31: across the playground to an empty gravel road.
constexpr const char* Location31[] = {
    "You cross the playground. The swings sway gently with no wind to move them.",
    "Past the monkey bars, the blacktop gives way to a long and empty gravel road",
    "that fades into a haze.",
};

// 32: an empty parking lot.
constexpr const char* Location32[] = {
    "An empty parking lot, its painted lines fading.",
};

// 33: rows of dolls standing in fours.
constexpr const char* Location33[] = {
    "By the road stand rows of dolls, four abreast, with their glass eyes fixed",
    "on you. Someone has dressed each one with care and set them out in lines.",
};

// 34: forgotten memories.
constexpr const char* Location34[] = {
    "This is a realm of forgotten memories: things you once knew, then lost.",
};

// 35: a perfectly preserved world.
constexpr const char* Location35[] = {
    "A perfectly preserved world, untouched by time or dust.",
};

// 36: losing hold, searching for another soul.
constexpr const char* Location36[] = {
    "Your grip on your mind is slipping. You search every yard and window for",
    "another living soul, anyone at all, but you find nobody.",
};

// 37: a new housing development in the distance.
constexpr const char* Location37[] = {
    "Off in the distance you can see a new housing development: rows of roofs",
    "and the long arms of cranes stretched out against the sky.",
};

// 38: voices that take no notice of the player.
constexpr const char* Location38[] = {
    "Voices and laughter rise all around you, people chatting, shouting out, but",
    "they take no notice of you, as if you were the one who was not really there.",
};

// 39: people close by but unseen.
constexpr const char* Location39[] = {
    "You can sense people close by, close enough to touch. You turn, reach out,",
    "and your hand closes on nothing but warm, thin air.",
};

// 40: the huge old billboard.
constexpr const char* Location40[] = {
    "A huge old billboard towers above the road on rusting legs, its paper peeling.",
    "Its frame creaks overhead.",
};

// 41: a parking lot with fresh tracks.
constexpr const char* Location41[] = {
    "A gravel parking lot. Fresh tire tracks loop across it, still sharp-edged,",
    "but there's no car in sight.",
};

// 42: the building site (also 45).
constexpr const char* Location42[] = {
    "This is a building site for new homes. Timber frames rise from concrete slabs,",
    "stacks of bricks and pipes wait by a cement mixer, and orange fencing shakes in the",
    "wind. No one is there.",
};

// 43: a woman smoking at the curb (also 46).
constexpr const char* Location43[] = {
    "Far down the road you can see someone at last: a woman standing at the curb, smoking.",
};

// 44: calling to her for a cigarette (also 47).
constexpr const char* Location44[] = {
    "\"Hey! Hello there!\" you shout, waving both arms over your head. She doesn't turn.",
    "You walk closer, trying to sound calm and friendly, as if this were a normal day.",
    "\"Excuse me, sorry to bother you, but could I bum a cigarette? It's been a long day.\"",
    "She keeps her back to you. A thin ribbon of smoke rises from her hand, hanging there.",
    "\"Please,\" you call again, louder, your voice cracking. \"I have not seen anybody in hours.\"",
    "Still nothing. She stands at the curb as if she's waiting for a bus that will never come.",
    "Whatever happens, you are not going to lose sight of her now.",
};

// 48: the sprint toward her.
constexpr const char* Location48[] = {
    "You break into a sprint toward her, lungs burning, terrified that she will vanish.",
    "She doesn't.",
};

// 49: a tailor's dummy with a taped cigarette.
constexpr const char* Location49[] = {
    "You grab her shoulder and spin her around. She is light and cold: a tailor's dummy in a coat.",
    "A cigarette has been taped between her stiff plastic fingers, burning down to the filter.",
    "Her painted face smiles at nothing. Someone placed her here, and not long ago.",
};

// 50: shouting for anybody.
constexpr const char* Location50[] = {
    "You let go and the dummy topples into the gutter. \"Is anybody there?\" you scream.",
    "\"Anybody at all? Please! I will do whatever you want, just tell me where you are!\"",
    "Your voice rolls away down the empty street and comes back to you, thin and broken, alone.",
};

// 51: the man in the suit and the doctor.
constexpr const char* Location51[] = {
    "Two figures stand at the end of the street ahead: a man in a finely tailored gray suit,",
    "and beside him a doctor in a white coat, taking notes on a clipboard as you draw closer.",
    "Neither of them looks surprised to see you here.",
};

// 52: the man in the suit chuckles.
constexpr const char* Location52[] = {
    "The man in the suit chuckles as you reach them. He's waiting for you to talk.",
};

// Indexed by location number - 1. Walking on from 44 to 45, 46 and 47 shows the same three texts
// again, from the very same lines.
constexpr TextBlock Descriptions[] = {
    block(Location1),
    block(Location2),
    block(Location3),
    block(Location4),
    block(Location5),
    block(Location6),
    block(Location7),
    block(Location8),
    block(Location9),
    block(Location10),
    block(Location11),
    block(Location12),
    block(Location13),
    block(Location14),
    block(Location15),
    block(Location16),
    block(Location17),
    block(Location18),
    block(Location19),
    block(Location20),
    block(Location21),
    block(Location22),
    block(Location23),
    block(Location24),
    block(Location25),
    block(Location26),
    block(Location27),
    block(Location28),
    block(Location29),
    block(Location30),
    block(Location31),
    block(Location32),
    block(Location33),
    block(Location34),
    block(Location35),
    block(Location36),
    block(Location37),
    block(Location38),
    block(Location39),
    block(Location40),
    block(Location41),
    block(Location42),
    block(Location43),
    block(Location44),
    block(Location42), // 45 repeats 42
    block(Location43), // 46 repeats 43
    block(Location44), // 47 repeats 44
    block(Location48),
    block(Location49),
    block(Location50),
    block(Location51),
    block(Location52),
};

// clang-format on

static_assert(std::size(Descriptions) == 52, "one description per location");

constexpr TextBlock NoDescription = {nullptr, 0};

} // namespace

constexpr TextBlock IntroductionText = block(IntroductionLines);
constexpr TextBlock BannerText = block(BannerLines);
constexpr TextBlock HelpText = block(HelpLines);
constexpr TextBlock WinningText = block(WinningLines);
constexpr TextBlock CreditsText = block(CreditsLines);
constexpr TextBlock LosingText = block(LosingLines);

constexpr TextBlock ResponseExamineCar = block(ExamineCarLines);
constexpr TextBlock ResponseExaminePlates = block(ExaminePlatesLines);
constexpr TextBlock ResponseEatFood = block(EatFoodLines);
constexpr TextBlock ResponseExamineLockers = block(ExamineLockersLines);
constexpr TextBlock ResponseOpenLockers = block(OpenLockersLines);
constexpr TextBlock ResponseExaminePoster = block(ExaminePosterLines);
constexpr TextBlock ResponseExamineRecorder = block(ExamineRecorderLines);
constexpr TextBlock ResponseTakeRecorder = block(TakeRecorderLines);
constexpr TextBlock ResponseExamineNotebooks = block(ExamineNotebooksLines);
constexpr TextBlock ResponseReadNotebooks = block(ReadNotebooksLines);
constexpr TextBlock ResponseExamineBillboard = block(ExamineBillboardLines);

const TextBlock& text_description(int32_t location) {
    if (location < 1 || location > static_cast<int32_t>(std::size(Descriptions))) {
        return NoDescription;
    }
    return Descriptions[location - 1];
}
