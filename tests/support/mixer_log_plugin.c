/* A control device for tests, loaded by ALSA as an external control plugin:
 * a card without hardware whose elements are the codec controls the sound
 * driver sets. Every value written is appended to a log file as one line
 * "<element name> <left> <right>", so a test reads what the driver asked of
 * the mixer and in which order.
 *
 *   ctl_type.mixerlog { lib "<path of this library>" }
 *   ctl.default { type mixerlog log "<log file>" }
 */
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { CHANNELS = 2 };

struct element {
  const char* name;
  int boolean; /* a switch; otherwise a volume from 0 to max */
  long max;
};

/* Named as the simple mixer layer expects, so that its elements carry the
 * driver's names: "DAC1 Analog" with a playback volume and a playback
 * switch, "PreDriv" with a playback volume, and so on. */
static const struct element s_elements[] = {
    {"DAC1 Analog Playback Volume", 0, 18},
    {"DAC1 Analog Playback Switch", 1, 1},
    {"DAC1 Digital Coarse Playback Volume", 0, 2},
    {"DAC1 Digital Fine Playback Volume", 0, 63},
    {"DAC2 Analog Playback Volume", 0, 18},
    {"DAC2 Analog Playback Switch", 1, 1},
    {"DAC2 Digital Coarse Playback Volume", 0, 2},
    {"DAC2 Digital Fine Playback Volume", 0, 63},
    {"PreDriv Playback Volume", 0, 3},
    {"PredriveL Mixer AudioL1 Playback Switch", 1, 1},
    {"PredriveL Mixer AudioL2 Playback Switch", 1, 1},
    {"PredriveR Mixer AudioR1 Playback Switch", 1, 1},
    {"PredriveR Mixer AudioR2 Playback Switch", 1, 1},
    {"ExtAmp Playback Mute Playback Switch", 1, 1},
};
enum { ELEMENTS = sizeof s_elements / sizeof s_elements[0] };

struct card {
  snd_ctl_ext_t ext;
  char* log;
  long values[ELEMENTS][CHANNELS];
};

static void vClose(snd_ctl_ext_t* ext) {
  struct card* card = (struct card*)ext->private_data;
  free(card->log);
  free(card);
}

static int nCount(snd_ctl_ext_t* ext) {
  (void)ext;
  return ELEMENTS;
}

static int nList(snd_ctl_ext_t* ext, unsigned int offset, snd_ctl_elem_id_t* id) {
  (void)ext;
  if (offset >= ELEMENTS) return -EINVAL;
  snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_id_set_name(id, s_elements[offset].name);
  return 0;
}

static snd_ctl_ext_key_t nFind(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id) {
  (void)ext;
  const unsigned int numid = snd_ctl_elem_id_get_numid(id);
  if (numid > 0 && numid <= ELEMENTS) return numid - 1;
  const char* name = snd_ctl_elem_id_get_name(id);
  for (unsigned int i = 0; i < ELEMENTS; ++i) {
    if (strcmp(name, s_elements[i].name) == 0) return i;
  }
  return SND_CTL_EXT_KEY_NOT_FOUND;
}

static int nAttribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type, unsigned int* acc,
                      unsigned int* count) {
  (void)ext;
  if (key >= ELEMENTS) return -EINVAL;
  *type = s_elements[key].boolean ? SND_CTL_ELEM_TYPE_BOOLEAN : SND_CTL_ELEM_TYPE_INTEGER;
  *acc = SND_CTL_EXT_ACCESS_READWRITE;
  *count = CHANNELS;
  return 0;
}

static int nIntegerInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* imin, long* imax, long* istep) {
  (void)ext;
  if (key >= ELEMENTS) return -EINVAL;
  *imin = 0;
  *imax = s_elements[key].max;
  *istep = 1;
  return 0;
}

static int nRead(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
  struct card* card = (struct card*)ext->private_data;
  if (key >= ELEMENTS) return -EINVAL;
  memcpy(value, card->values[key], sizeof card->values[key]);
  return 0;
}

static int nWrite(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
  struct card* card = (struct card*)ext->private_data;
  if (key >= ELEMENTS) return -EINVAL;
  memcpy(card->values[key], value, sizeof card->values[key]);
  char line[160];
  const int n = snprintf(line, sizeof line, "%s %ld %ld\n", s_elements[key].name, value[0], value[1]);
  const int fd = open(card->log, O_WRONLY | O_CREAT | O_APPEND, 0600);
  if (fd >= 0) {
    if (write(fd, line, (size_t)n) != n) { /* the test sees the line missing */
    }
    close(fd);
  }
  return 1; /* changed */
}

static void vSubscribe(snd_ctl_ext_t* ext, int subscribe) {
  (void)ext;
  (void)subscribe;
}

static int nReadEvent(snd_ctl_ext_t* ext, snd_ctl_elem_id_t* id, unsigned int* event_mask) {
  (void)ext;
  (void)id;
  (void)event_mask;
  return -EAGAIN;
}

static const snd_ctl_ext_callback_t s_callbacks = {
    .close = vClose,
    .elem_count = nCount,
    .elem_list = nList,
    .find_elem = nFind,
    .get_attribute = nAttribute,
    .get_integer_info = nIntegerInfo,
    .read_integer = nRead,
    .write_integer = nWrite,
    .subscribe_events = vSubscribe,
    .read_event = nReadEvent,
};

SND_CTL_PLUGIN_DEFINE_FUNC(mixerlog) {
  (void)root;
  const char* log = NULL;
  snd_config_iterator_t i, next;
  snd_config_for_each(i, next, conf) {
    snd_config_t* n = snd_config_iterator_entry(i);
    const char* id = NULL;
    if (snd_config_get_id(n, &id) < 0) continue;
    if (strcmp(id, "comment") == 0 || strcmp(id, "type") == 0) continue;
    if (strcmp(id, "log") == 0 && snd_config_get_string(n, &log) == 0) continue;
    SNDERR("Unknown field %s", id);
    return -EINVAL;
  }
  if (log == NULL) {
    SNDERR("No log file given");
    return -EINVAL;
  }
  struct card* card = (struct card*)calloc(1, sizeof *card);
  if (card == NULL) return -ENOMEM;
  card->log = strdup(log);
  /* Power-on values that none of the driver's settings has, so that each
   * setting shows as a write. */
  for (unsigned int e = 0; e < ELEMENTS; ++e) {
    for (unsigned int c = 0; c < CHANNELS; ++c) card->values[e][c] = s_elements[e].boolean ? 0 : 1;
  }
  card->ext.version = SND_CTL_EXT_VERSION;
  card->ext.card_idx = 0;
  strcpy(card->ext.id, "MixerLog");
  strcpy(card->ext.driver, "mixerlog");
  strcpy(card->ext.name, "Mixer log");
  strcpy(card->ext.longname, "Codec controls written to a log");
  strcpy(card->ext.mixername, "Mixer log");
  card->ext.poll_fd = -1;
  card->ext.callback = &s_callbacks;
  card->ext.private_data = card;
  const int err = snd_ctl_ext_create(&card->ext, name, mode);
  if (err < 0) {
    free(card->log);
    free(card);
    return err;
  }
  *handlep = card->ext.handle;
  return 0;
}

SND_CTL_PLUGIN_SYMBOL(mixerlog);
