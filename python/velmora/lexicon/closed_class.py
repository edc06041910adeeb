"""Closed-class paradigms per language, written from grammar knowledge: pronouns, articles, determiners,
auxiliaries and modal verbs, contractions, and the uninflected function words, each with its lemma.

Lookup tables slip on exactly these words: they map `its` -> `it`, German `ihr` -> `mein` and `es` -> `ich`,
Dutch `het` -> `hebben`, Russian `нет` -> `житься`, and leave out the oblique pronouns (`мне`, `ему`) and
adverbs (`когда`, `toujours`) altogether, so a suffix rule learned from other words cuts them (`когд`,
`toujour`). These lists rank above every other source of a recipe.

Conventions (the models README repeats them):
- an article or determiner goes to its masculine singular nominative: German `dem`, `die`, `das` -> `der`,
  `eine` -> `ein`, `diesem` -> `dieser`, `andere` -> `anderer`; French `la`, `les` -> `le`; Spanish `la`, `los` -> `el`, `una` ->
  `uno`; Italian `la`, `gli` -> `il`; Portuguese `os`, `as` -> `o`; Russian `этого` -> `этот`;
- a demonstrative that also stands alone as "this is", "that is" stays itself (Russian `это`, Ukrainian `це`),
  as do conjunctions that are also forms of a pronoun (Russian `чем` "than", Ukrainian `тому` "therefore",
  `чому` "why", `та` "and") and comparatives used as adverbs (`больше`, `лучше`, `більше`);
- a personal pronoun goes to its nominative of the same person and number (`mir` -> `ich`, `мне` -> `я`,
  `ihn` -> `er`, `йому` -> `він`; French `ils` -> `il`); Polish follows its dictionary (SGJP), where `ona`, `ono` and `oni`
  are forms of `on`; clitic and stressed forms that are words of their own in the dictionaries (French `moi`,
  `lui`, `nous`; Spanish `le`, `nos`) stay themselves;
- a possessive goes to its masculine singular (`ihre` -> `ihr`, `seinem` -> `sein`, `nostra` -> `nostro`);
- a numeral, quantifier or indefinite pronoun goes to its nominative (`четырёх` -> `четыре`, `нескольких` ->
  `несколько`, Ukrainian `багатьох` -> `багато`, `когось` -> `хтось`);
- a contraction of preposition and article goes to the preposition (`vom` -> `von`, `zum` -> `zu`, `du` ->
  `de`, `del` -> `de`, `nella` -> `in`, `pelo` -> `por`); where that preposition is a single letter (`au`,
  `al`, `ao`), the contraction stays itself;
- auxiliary and modal verb forms go to the infinitive (`hat` -> `haben`, `est` -> `être`, `было` -> `быть`).

Each entry is `lemma: form form ...` (the lemma is a form of itself too); `= word word ...` lists words that are
only their own lemma, with no forms (the cross-source checks drop another source's form of such a word where the
word is far commoner: Dutch `maart` -> `maar`); a word that does inflect (French `même`, `mêmes`) gets a line of
its own instead. A single-letter form stays itself whatever the list says (see `cleaning`).
"""
from typing import Dict, Iterator, Tuple

Pair = Tuple[str, str]

PARADIGMS: Dict[str, str] = {
    "en": """
        = i me my mine myself you your yours yourself yourselves he him his himself she her hers herself it its itself
        = we us our ours ourselves they them their theirs themselves thee thou thy thine ye oneself
        one: ones
        = this that these those the an each every either neither some any no none all both such what which whose whom
        = who whoever whomever whatever whichever
        = of in on at by for with about against between among into onto upon through throughout during before after
        = above below to from up down under over off out around across along behind beyond beneath within without
        = towards toward via per than
        = and or but nor so yet if because as until unless while whilst although though since whether
        = not only very too also just then there here when where why how again ever never always often
        = news
        do: does did done doing
        make: makes made making
    """,
    "de": """
        der: die das dem den des deren dessen denen
        ein: eine einen einem einer eines
        kein: keine keinen keinem keiner keines
        dieser: diese dieses diesen diesem
        jener: jene jenes jenen jenem
        jeder: jede jedes jeden jedem
        welcher: welche welches welchen welchem
        mancher: manche manches manchen manchem
        solcher: solche solches solchen solchem
        alle: alles allen allem aller
        anderer: andere anderes anderen anderem
        mehrere: mehrerer mehreren
        beide: beiden beider beides beidem
        ich: mich mir
        du: dich dir
        er: ihn ihm
        wir: uns
        sie: ihnen
        ihr: euch ihre ihren ihrem ihrer ihres
        mein: meine meinen meinem meiner meines
        dein: deine deinen deinem deiner deines
        sein: seine seinen seinem seiner seines bin bist ist sind seid war warst waren wart gewesen wäre wärst wären
        sein: sei seien
        unser: unsere unseren unserem unserer unseres unsre
        euer: eure euren eurem eurer eures
        wer: wen wem wessen
        haben: hab habe hast hat habt hatte hattest hatten hattet gehabt hätte hättest hätten
        werden: werde wirst wird werdet wurde wurdest wurden geworden worden würde würdest würden
        können: kann kannst könnt konnte konntest konnten gekonnt könnte könntest könnten
        müssen: muss musst müsst musste musstest mussten müsste müssten
        sollen: soll sollst sollt sollte solltest sollten
        wollen: will willst wollt wollte wolltest wollten gewollt
        dürfen: darf darfst dürft durfte durften dürfte dürften
        mögen: mag magst mögt mochte mochten möchte möchtest möchten
        von: vom
        zu: zum zur
        in: im ins
        an: am ans
        bei: beim
        auf: aufs
        für: fürs
        um: ums
        über: übers
        durch: durchs
        vor: vorm
        = es sich man was etwas nichts selbst selber
        = und oder aber denn sondern nicht auch noch schon nur sehr so wie als wenn dass ob weil da hier dort dann
        eigentlich: eigentliche eigentlichen eigentlicher eigentliches eigentlichem
        teilweise: teilweisen
        = doch mal nun immer nie ja nein ebenfalls bereits wieder jetzt heute jeweils zumindest mittlerweile
        = hinaus heraus darauf damit dabei dafür davon dazu deshalb trotzdem allerdings vielleicht
        = mit nach aus seit gegen ohne bis ab über unter neben zwischen während wegen trotz hinter
    """,
    "nl": """
        zijn: ben bent is zijt was waren geweest
        hebben: heb hebt heeft had hadden gehad
        worden: word wordt werd werden geworden
        kunnen: kan kunt kon konden gekund
        zullen: zal zult zou zouden
        moeten: moet moest moesten
        willen: wil wilt wilde wilden wou gewild
        mogen: mag mocht mochten
        gaan: ga gaat ging gingen gegaan
        doen: doe doet deed deden gedaan
        komen: kom komt kwam kwamen gekomen
        laten: laat liet lieten gelaten
        ons: onze
        = de het een en of maar niet ook nog al wel dan als dat die dit deze wat wie waar hoe er hier daar
        = van in op te aan met voor door over bij uit naar om tot tegen na onder tussen zonder sinds want omdat
        = toen terwijl dus zo heel nu meer veel geen iets niets alles iemand niemand men eerst eerste toe geleden mee
        = ik je jij u hij zij ze wij we jullie mij me hem haar hun hen mijn jouw uw
    """,
    "fr": """
        le: la les
        un: une
        de: du des
        ce: cet cette ces
        mon: ma mes
        ton: ta tes
        son: sa ses
        notre: nos
        votre: vos
        leur: leurs
        il: ils
        elle: elles
        celui: celle ceux celles
        lequel: laquelle lesquels lesquelles
        quel: quelle quels quelles
        tout: toute tous toutes
        aucun: aucune
        quelque: quelques
        être: suis es est sommes êtes sont été étais était étions étiez étaient serai seras sera serons serez
        être: seront serais serait serions seriez seraient sois soit soyons soyez soient fus fut furent fût étant
        avoir: ai as avons avez ont eu eue eus eues avais avait avions aviez avaient aurai auras aura aurons
        avoir: aurez auront aurais aurait aurions auriez auraient aie aies ait ayons ayez aient eut eurent eût ayant
        aller: vais vas va allons allez vont allé allée allés allées allait allais allaient irai ira irons iront
        aller: irait iraient aille
        faire: fais fait faisons faites font faisait faisaient fera feront ferait fit fasse faits faite
        pouvoir: peux peut pouvons pouvez peuvent pu pouvait pouvaient pourra pourrait pourraient puisse
        vouloir: veux veut voulons voulez veulent voulu voulait voudrait
        devoir: dois doit devons devez doivent dû devait devrait devraient
        savoir: sais sait savons savez savent su savait saura saurait sache
        = au aux je me moi tu te toi lui on nous vous eux se soi y en
        = ne pas plus jamais toujours alors comment quand où si mais ou et donc or ni car que qui quoi dont très
        bien: biens
        même: mêmes
        = aussi encore déjà ici là puis ensuite souvent peu beaucoup trop tant moins avant après pendant
        = depuis sans sous sur dans avec pour par chez vers entre contre selon malgré parmi comme rien
        = personne plusieurs chacun chacune ainsi lors assez autant certes cependant pourtant parfois vraiment
        = aujourd'hui hier demain maintenant dessus dessous dehors dedans autour
    """,
    "fi": """
        = ja tai mutta että kun jos vaan sekä eli koska kuin myös vain jo nyt niin sitten siis kuitenkin vielä aina
        olla: on oli ovat olen olet olemme olette olivat olin olit olimme olitte olisi olisivat olisin olisit ole
        olla: olleet ollut
        ei: en et emme ette eivät eikä enkä etkä emmekä ettekä eivätkä
    """,
    "es": """
        el: la los las
        uno: un una unos unas
        de: del
        este: esta estos estas
        ese: esa esos esas
        aquel: aquella aquellos aquellas
        mi: mis
        tu: tus
        su: sus
        nuestro: nuestra nuestros nuestras
        vuestro: vuestra vuestros vuestras
        alguno: algún alguna algunos algunas
        ninguno: ningún ninguna ningunos ningunas
        todo: toda todos todas
        otro: otra otros otras
        mucho: mucha muchos muchas
        poco: poca pocos pocas
        cuál: cuáles
        cual: cuales
        quien: quienes
        ella: ellas
        él: ellos
        nosotros: nosotras
        vosotros: vosotras
        ser: soy eres es somos sois son era eras éramos eran fui fue fuimos fueron sido sea sean será serán
        ser: sería serían siendo
        estar: estoy estás está estamos están estaba estaban estuvo estuvieron estado esté estará estaría
        haber: he has ha hemos habéis han había habían hubo habrá habría haya hayan habido
        tener: tengo tienes tiene tenemos tienen tenía tenían tuvo tuvieron tenido tenga tendrá tendría
        ir: voy vas va vamos van iba iban ido
        poder: puedo puedes puede podemos pueden podía podían pudo podrá podría pueda
        hacer: hago haces hace hacemos hacen hacía hizo hecho haga hará haría
        = al lo le les me te se nos os yo tú usted ustedes esto eso aquello algo nada nadie alguien cada
        = y o pero si no que qué como cómo cuando cuándo donde dónde muy más menos ya también tampoco siempre
        bien: bienes
        mal: males
        bajo: baja bajos bajas
        solo: sola solos solas
        sobre: sobres
        = nunca aquí allí ahí así después antes ahora hoy entonces porque aunque mientras sino ni en
        = con por para sin entre hasta desde hacia según durante contra tras ante sólo
    """,
    "it": """
        il: lo la gli le
        uno: un una
        di: del dello della dei degli delle
        da: dal dallo dalla dai dagli dalle
        in: nel nello nella nei negli nelle
        su: sul sullo sulla sui sugli sulle
        con: col
        questo: questa questi queste
        quello: quella quelli quelle quel quei quegli
        mio: mia miei mie
        tuo: tua tuoi tue
        suo: sua suoi sue
        nostro: nostra nostri nostre
        vostro: vostra vostri vostre
        tutto: tutta tutti tutte
        altro: altra altri altre
        molto: molta molti molte
        essere: sono sei siamo siete era erano ero fu furono stato stata stati state sarà saranno sarebbe
        essere: sia siano essendo
        avere: ho hai ha abbiamo avete hanno aveva avevano ebbe avuto avrà avrebbe abbia
        fare: faccio fai fa facciamo fanno faceva fatto farà farebbe
        potere: posso puoi può possiamo possono poteva potuto potrà potrebbe possa
        dovere: devo devi deve dobbiamo devono doveva dovuto dovrà dovrebbe
        volere: voglio vuoi vuole vogliamo vogliono voleva voluto vorrei vorrebbe
        andare: vado vai va andiamo vanno andava andato andrà
        stare: sto stai sta stiamo stanno stava
        = al allo alla ai agli alle io me mi tu te ti lui lei noi ci vi voi loro si sé ne
        poco: poca pochi poche
        bene: beni
        male: mali
        verso: versi
        = e o ma se non che chi come quando dove perché anche ancora già più meno sempre mai qui qua lì là
        = poi ora oggi così per tra fra senza sopra sotto dopo prima contro durante ciò cosa
    """,
    "pt": """
        o: os as
        um: uma uns umas
        de: do da dos das
        em: no na nas
        por: pelo pela pelos pelas
        eu: mim comigo
        tu: ti contigo
        ele: eles
        ela: elas
        você: vocês
        este: esta estes estas
        esse: essa esses essas
        aquele: aquela aqueles aquelas
        meu: minha meus minhas
        teu: tua teus tuas
        seu: sua seus suas
        nosso: nossa nossos nossas
        todo: toda todos todas
        outro: outra outros outras
        muito: muita muitos muitas
        algum: alguma alguns algumas
        nenhum: nenhuma
        ser: sou és somos são era eram foi foram sido seja sejam será seria sendo fui
        estar: estou estás está estamos estão estava estavam esteve estiveram estado esteja estará
        ter: tenho tens tem temos têm tinha tinham teve tiveram tido tenha terá teria
        haver: há havia houve haja haverá
        ir: vou vais vai vamos vão ia iam ido
        poder: posso pode podemos podem podia pôde pudesse poderá poderia possa
        fazer: faço faz fazemos fazem fazia fez fizeram feito faça fará faria
        = ao aos nos me te se lhe lhes isto isso aquilo algo nada ninguém alguém cada
        = e ou mas se não que quem como quando onde muito mais menos já também sempre nunca aqui ali lá então
        = porque embora para sem sobre entre até desde contra após durante com agora hoje antes depois dentro
        bem: bens
        mal: males
        = através ainda apenas quase
    """,
    "ru": """
        я: меня мне мной мною
        ты: тебя тебе тобой тобою
        он: его ему им нём нем него нему ним
        она: её ее ей ею неё нее ней нею
        мы: нас нам нами
        вы: вас вам вами
        они: их них ними
        себя: себе собой собою
        этот: эта этого этому этим этом эту эти этих этими этой
        тот: та то того тому тем том ту те тех теми той
        весь: вся всё все всего всему всем всём всю всех всеми всей
        свой: своя своё свое свои своего своему своим своём своем свою своих своими своей
        мой: моя моё мое мои моего моему моим моём моем мою моих моими моей
        твой: твоя твоё твое твои твоего твоему твоим твоём твоем твою твоих твоими твоей
        наш: наша наше наши нашего нашему нашим нашем нашу наших нашими нашей
        ваш: ваша ваше ваши вашего вашему вашим вашем вашу ваших вашими вашей
        который: которая которое которые которого которому которым котором которую которых которыми которой
        какой: какая какое какие какого какому каким каком какую каких какими
        такой: такая такое такие такого такому таким таком такую таких такими
        сам: сама само сами самого самому самим самом саму самих самими самой
        кто: кого кому кем ком
        что: чего чему чём
        никто: никого никому никем
        ничто: ничему ничем
        один: одна одно одни одного одному одним одном одну одних одними одной
        два: две двух двум двумя
        три: трёх трех трём трем тремя
        четыре: четырёх четырех четырём четырем четырьмя
        пять: пяти пятью
        шесть: шести шестью
        восемь: восьми восемью
        девять: девяти девятью
        десять: десяти десятью
        несколько: нескольких нескольким несколькими
        сколько: скольких скольким
        столько: стольких стольким
        быть: был была было были будет будут буду будешь будем будете будь будьте
        есть: ем ешь ест едим едите едят ел ела ело ели ешьте
        мочь: могу можешь может можем можете могут мог могла могло могли
        хотеть: хочу хочешь хочет хотим хотите хотят хотел хотела хотело хотели
        прийтись: придётся придутся пришлось пришёлся пришлась пришлись
        год: лет
        = это чем более больше лучше хуже
        = и а но или да нет не ни же ли бы уже ещё еще тоже также только даже вот вон как так когда где куда
        = откуда почему зачем потом тогда здесь там тут очень почти всегда никогда иногда сейчас теперь если
        = чтобы потому хотя пока в во на с со к ко по за из от до о об у для без при про под над через между
        = перед после около против вместо кроме меньше можно нельзя надо нужно сегодня завтра вчера именно
        = есть много мало вместе поэтому конечно просто вообще опять снова сразу ничего
    """,
    "uk": """
        я: мене мені мною
        ти: тебе тобі тобою
        він: його йому нього ньому ним нім
        вона: її їй неї ній нею
        ми: нас нам нами
        ви: вас вам вами
        вони: їх їм них ними
        себе: собі собою
        цей: ця ці цього цьому цим цієї цій цю цих цими
        той: те ті того тим тієї тій ту тих тими
        весь: вся все всі всього всьому всім всієї всій всю всіх всіма уся усе усі усього усьому усім усієї усю
        весь: усіх усіма
        свій: своя своє свої свого своєму своїм своєї своїй свою своїх своїми
        мій: моя моє мої мого моєму моїм моєї моїй мою моїх моїми
        твій: твоя твоє твої твого твоєму твоїм твоєї твоїй твою твоїх твоїми
        наш: наша наше наші нашого нашому нашим нашої нашій нашу наших нашими
        ваш: ваша ваше ваші вашого вашому вашим вашої вашій вашу ваших вашими
        їхній: їхня їхнє їхні їхнього їхньому їхнім їхньої їхню їхніх їхніми
        який: яка яке які якого якому яким якої якій яку яких якими
        такий: така таке такі такого такому таким такої такій таку таких такими
        один: одна одне одні одного одному одним однієї одній одну одних одними
        два: дві двох двом двома
        три: трьох трьом трьома
        чотири: чотирьох чотирьом чотирма
        шість: шести шістьом шістьма
        вісім: восьми вісьмом вісьмома
        десять: десяти десятьом десятьма
        кілька: кількох кільком кількома
        декілька: декількох декільком декількома
        багато: багатьох багатьом багатьма
        скільки: скількох скільком скількома
        стільки: стількох стільком стількома
        хто: кого кому ким кім
        хтось: когось комусь кимось
        що: чого чим
        щось: чогось чомусь чимось
        ніхто: нікого нікому ніким
        ніщо: нічому нічим
        бути: є був була було були буде будуть буду будеш будемо будете будь будьмо будьте
        могти: можу можеш може можемо можете можуть міг могла могло могли
        хотіти: хочу хочеш хоче хочемо хочете хочуть хотів хотіла хотіло хотіли
        люди: людей людям людьми людях
        діти: дітей дітям дітьми дітях
        = це та тому чому і й а але або чи не ні же б би вже ще також теж тільки лише навіть ось як так коли де
        = куди звідки навіщо потім тоді тут там дуже майже завжди ніколи іноді зараз тепер якщо щоб хоча поки
        = в у на з із зі до від по за про під над через між перед після біля для без при проти замість крім
        = можна треба потрібно сьогодні завтра вчора саме мало отже звичайно просто
        = взагалі знову одразу нічого більше менше краще гірше разом немає
    """,
    "cs": """
        být: jsem jsi je jsme jste jsou byl byla bylo byli byly budu budeš bude budeme budete budou bych bychom byste
        mít: mám máš má máme máte mají měl měla mělo měli měly
        moci: můžu mohu můžeš může můžeme můžete mohou můžou mohl mohla mohlo mohli
        chtít: chci chceš chce chceme chcete chtějí chtěl chtěla chtělo chtěli
        muset: musím musíš musí musíme musíte musejí musel musela muselo museli
        já: mě mne mi mně mnou
        ty: tebe tě tobě tebou
        on: ho jemu mu něj něho němu ním jím
        ona: ji jí ní
        my: nás nám námi
        vy: vás vám vámi
        oni: jich jim nich nim jimi nimi
        se: si sebe sobě sebou
        můj: moje mé mého mému mým mých mými moji mí mou
        tvůj: tvoje tvá tvé tvého tvému tvým tvých tvými tvoji tví tvou
        svůj: svoje svá své svého svému svým svých svými svoji sví svou
        náš: naše našeho našemu naším našich našimi naši
        váš: vaše vašeho vašemu vaším vašich vašimi vaši
        její: jejího jejímu jejím jejích jejími
        ten: ta to toho tomu tom tím té tu ti těch těm těmi
        tento: tato toto tohoto tomuto tomto tímto této tuto tito tyto těchto těmto
        tenhle: tahle tohle tohohle tomhle tímhle téhle tuhle tihle tyhle
        který: která které kterého kterému kterém kterým kterou kteří kterých kterými
        všechen: všechna všechno všichni všechny všeho všemu všem vším všech všemi
        dva: dvě dvou dvěma
        = jeho jejich již už ještě a i ale nebo že když jak tak také taky jen jenom než protože proto pak tady tam
        = teď dnes velmi moc v ve na s z ze k ke o u do od ode po pro při za před pod nad nade mezi bez beze přes
        = přese podle
    """,
    "ro": """
        fi: sunt ești este e suntem sunteți era erau eram fost fie fiind
        avea: am ai are avem aveți au aveam avut ar aș
        putea: pot poți poate putem puteți putut
        vrea: vreau vrei vrem vreți vor
        eu: mă mi mie mine
        tu: ți ție tine
        noi: ne nouă
        voi: vă vouă
        un: unui unei unor
        acest: această aceste acestui acestei acestor acești
        acel: acea acele acelui acelei acelor acei
        tot: toată toți toate tuturor
        meu: mea mei mele
        tău: ta tăi tale
        său: sa săi sale
        nostru: noastră noștri noastre
        vostru: voastră voștri voastre
        doi: două
        care: căreia căruia cărui cărei căror cărora
        dar: darul darului daruri darurile darurilor
        = să se ce că sau și în la de pe cu din pentru nu mai ca cum când unde cine foarte doar încă
        = deja acum aici acolo după până prin spre fără între sub peste te
    """,
    "sv": """
        en: ett
        jag: mig
        du: dig
        han: honom
        hon: henne
        vi: oss
        de: dem
        min: mitt mina
        din: ditt dina
        sin: sitt sina
        vår: vårt våra
        någon: något några
        ingen: inget inga
        annan: annat andra
        vilken: vilket vilka
        all: allt alla
        sådan: sådant sådana
        denna: detta dessa
        vara: är var varit vore
        ha: har hade haft
        bli: blir blev blivit
        kunna: kan kunde kunnat
        ska: skall skulle
        vilja: vill ville velat
        få: får fick fått
        gå: går gick gått
        göra: gör gjorde gjort
        man: män mannen männen mannens männens mäns
        er: ert era
        = den det sig ni hans hennes dess deras och eller men att som om när där här så inte också bara redan
        = nu då sedan än i på av för med till från under över efter före mot utan hos vid mellan genom första
        = mycket mer mest mindre bättre längre
    """,
    "pl": """
        siebie: sobie sobą
        musieć: muszę musisz musi musimy musicie muszą musiał musiała musiało musieli musiały
        myśleć: myślę myślisz myśli myślimy myślicie myślą myślał myślała myśleli
        = nie ciągle
    """,
}

# Single-letter lemmas a paradigm above needs (Portuguese article `o`, Russian and Ukrainian `я`); the recipe lets
# them through cleaning.
SHORT_LEMMAS: Dict[str, str] = {"pt": "o", "ru": "я", "uk": "я"}


def parse(text: str) -> Iterator[Pair]:
    """(form, lemma) pairs of a paradigm text, in the order written; every lemma is a form of itself."""
    for line in text.strip().splitlines():
        line = line.strip()
        if not line:
            continue
        head, sep, rest = line.partition(":")
        if line.startswith("="):
            for word in line[1:].split():
                yield word, word
        elif sep:
            lemma = head.strip()
            yield lemma, lemma
            for form in rest.split():
                yield form, lemma
        else:
            raise ValueError(f"closed-class line without a lemma: {line!r}")


CLOSED_CLASS: Dict[str, Tuple[Pair, ...]] = {lang: tuple(parse(text)) for lang, text in PARADIGMS.items()}
