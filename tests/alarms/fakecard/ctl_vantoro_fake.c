/* A pretend sound card for the mixer tests: an ALSA control plug-in whose mixer has the
 * playback elements the configuration names, so the ALSA mixer is tested against the real
 * ALSA mixer library on machines without any sound hardware.
 *
 *   ctl.NAME {
 *       type vantoro_fake
 *       volumes "Speaker,PCM"   # elements "<name> Playback Volume", two channels
 *       switches "Master"       # elements "<name> Playback Switch" only (no volume)
 *       min 0  max 87           # range of every volume
 *       state "/tmp/x.state"    # where the volumes live between opens (optional)
 *   }
 *
 * Volumes start at min + (max - min) / 2 unless the state file holds them: one line per
 * volume element, "<left> <right>". Each write rewrites the state file.
 */
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#define MAX_ELEMS 8

struct elem {
    char name[48];
    int is_volume;
    long value[2];
};

struct fake {
    snd_ctl_ext_t ext;
    int pipe_fds[2];
    long min, max;
    char state[512];
    int count;
    struct elem elems[MAX_ELEMS];
};

static void save_state(struct fake* f) {
    if (!f->state[0]) return;
    FILE* out = fopen(f->state, "w");
    if (!out) return;
    for (int i = 0; i < f->count; ++i)
        if (f->elems[i].is_volume) fprintf(out, "%ld %ld\n", f->elems[i].value[0], f->elems[i].value[1]);
    fclose(out);
}

static void load_state(struct fake* f) {
    FILE* in = f->state[0] ? fopen(f->state, "r") : NULL;
    for (int i = 0; i < f->count; ++i) {
        struct elem* e = &f->elems[i];
        if (!e->is_volume) {
            e->value[0] = e->value[1] = 1;
            continue;
        }
        if (!in || fscanf(in, "%ld %ld", &e->value[0], &e->value[1]) != 2)
            e->value[0] = e->value[1] = f->min + (f->max - f->min) / 2;
    }
    if (in) fclose(in);
}

static void add_elems(struct fake* f, const char* list, int is_volume) {
    char copy[256];
    snprintf(copy, sizeof copy, "%s", list);
    for (char* save = NULL, *tok = strtok_r(copy, ",", &save); tok && f->count < MAX_ELEMS;
         tok = strtok_r(NULL, ",", &save)) {
        struct elem* e = &f->elems[f->count++];
        snprintf(e->name, sizeof e->name, "%s Playback %s", tok, is_volume ? "Volume" : "Switch");
        e->is_volume = is_volume;
    }
}

static void fake_close(snd_ctl_ext_t* ext) {
    struct fake* f = ext->private_data;
    close(f->pipe_fds[0]);
    close(f->pipe_fds[1]);
    free(f);
}

static int fake_elem_count(snd_ctl_ext_t* ext) { return ((struct fake*)ext->private_data)->count; }

static int fake_elem_list(snd_ctl_ext_t* ext, unsigned int offset, snd_ctl_elem_id_t* id) {
    struct fake* f = ext->private_data;
    if (offset >= (unsigned)f->count) return -EINVAL;
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_id_set_name(id, f->elems[offset].name);
    return 0;
}

static snd_ctl_ext_key_t fake_find_elem(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id) {
    struct fake* f = ext->private_data;
    const char* name = snd_ctl_elem_id_get_name(id);
    for (int i = 0; i < f->count; ++i)
        if (strcmp(name, f->elems[i].name) == 0) return (snd_ctl_ext_key_t)i;
    return SND_CTL_EXT_KEY_NOT_FOUND;
}

static int fake_get_attribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type, unsigned int* acc,
                              unsigned int* count) {
    struct fake* f = ext->private_data;
    if (key >= (unsigned)f->count) return -EINVAL;
    *type = f->elems[key].is_volume ? SND_CTL_ELEM_TYPE_INTEGER : SND_CTL_ELEM_TYPE_BOOLEAN;
    *acc = SND_CTL_EXT_ACCESS_READWRITE;
    *count = 2;
    return 0;
}

static int fake_get_integer_info(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* imin, long* imax, long* istep) {
    struct fake* f = ext->private_data;
    if (key >= (unsigned)f->count) return -EINVAL;
    *imin = f->elems[key].is_volume ? f->min : 0;
    *imax = f->elems[key].is_volume ? f->max : 1;
    *istep = 1;
    return 0;
}

static int fake_read_integer(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
    struct fake* f = ext->private_data;
    if (key >= (unsigned)f->count) return -EINVAL;
    value[0] = f->elems[key].value[0];
    value[1] = f->elems[key].value[1];
    return 0;
}

static int fake_write_integer(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
    struct fake* f = ext->private_data;
    if (key >= (unsigned)f->count) return -EINVAL;
    struct elem* e = &f->elems[key];
    for (int c = 0; c < 2; ++c)
        if (e->is_volume && (value[c] < f->min || value[c] > f->max)) return -EINVAL;
    const int changed = e->value[0] != value[0] || e->value[1] != value[1];
    e->value[0] = value[0];
    e->value[1] = value[1];
    save_state(f);
    return changed;
}

static void fake_subscribe_events(snd_ctl_ext_t* ext, int subscribe) {
    (void)ext;
    (void)subscribe;
}

static int fake_read_event(snd_ctl_ext_t* ext, snd_ctl_elem_id_t* id, unsigned int* event_mask) {
    (void)ext;
    (void)id;
    (void)event_mask;
    return -EAGAIN;
}

static const snd_ctl_ext_callback_t fake_callback = {
    .close = fake_close,
    .elem_count = fake_elem_count,
    .elem_list = fake_elem_list,
    .find_elem = fake_find_elem,
    .get_attribute = fake_get_attribute,
    .get_integer_info = fake_get_integer_info,
    .read_integer = fake_read_integer,
    .write_integer = fake_write_integer,
    .subscribe_events = fake_subscribe_events,
    .read_event = fake_read_event,
};

SND_CTL_PLUGIN_DEFINE_FUNC(vantoro_fake) {
    (void)root;
    const char *volumes = "", *switches = "", *state = "";
    long min = 0, max = 100;
    snd_config_iterator_t i, next;
    snd_config_for_each(i, next, conf) {
        snd_config_t* n = snd_config_iterator_entry(i);
        const char* id;
        if (snd_config_get_id(n, &id) < 0) continue;
        if (!strcmp(id, "comment") || !strcmp(id, "type") || !strcmp(id, "hint")) continue;
        if (!strcmp(id, "volumes")) snd_config_get_string(n, &volumes);
        else if (!strcmp(id, "switches")) snd_config_get_string(n, &switches);
        else if (!strcmp(id, "state")) snd_config_get_string(n, &state);
        else if (!strcmp(id, "min")) snd_config_get_integer(n, &min);
        else if (!strcmp(id, "max")) snd_config_get_integer(n, &max);
        else {
            SNDERR("Unknown field %s", id);
            return -EINVAL;
        }
    }

    struct fake* f = calloc(1, sizeof *f);
    if (!f) return -ENOMEM;
    if (pipe(f->pipe_fds) < 0) {
        free(f);
        return -errno;
    }
    f->min = min;
    f->max = max;
    snprintf(f->state, sizeof f->state, "%s", state);
    add_elems(f, volumes, 1);
    add_elems(f, switches, 0);
    load_state(f);

    f->ext.version = SND_CTL_EXT_VERSION;
    f->ext.card_idx = 0;
    strcpy(f->ext.id, "VantoroFake");
    strcpy(f->ext.driver, "vantoro_fake");
    strcpy(f->ext.name, "Pretend card");
    strcpy(f->ext.longname, "Pretend sound card for the mixer tests");
    strcpy(f->ext.mixername, "Pretend mixer");
    f->ext.poll_fd = f->pipe_fds[0];
    f->ext.callback = &fake_callback;
    f->ext.private_data = f;
    const int err = snd_ctl_ext_create(&f->ext, name, mode);
    if (err < 0) {
        close(f->pipe_fds[0]);
        close(f->pipe_fds[1]);
        free(f);
        return err;
    }
    *handlep = f->ext.handle;
    return 0;
}

SND_CTL_PLUGIN_SYMBOL(vantoro_fake)
